#pragma once

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "base/Subscription.h"

namespace kelvra {

// The one listener primitive for every "tell me when": any number of listeners, each
// kept alive by the Subscription it got, called synchronously in subscription order.
// Subscriptions may outlive the signal, and listeners may subscribe or unsubscribe
// (themselves or others) while being called.
template <class... Args>
class Signal {
  public:
    Subscription connect(std::function<void(const Args&...)> listener) {
        auto id = state_->next++;
        state_->listeners.emplace(id, std::make_shared<const Listener>(std::move(listener)));
        std::weak_ptr<State> weak = state_;
        return Subscription([weak, id] {
            if (auto s = weak.lock()) s->listeners.erase(id);
        });
    }
    // Cheap enough for every X event: the snapshot holds shared handles, not copies of
    // the listeners, so a listener that unsubscribes itself keeps running to its end.
    void emit(const Args&... args) const {
        auto state = state_;  // a listener may destroy the signal's owner
        if (state->listeners.empty()) return;
        std::vector<std::pair<uint64_t, std::shared_ptr<const Listener>>> snapshot(
            state->listeners.begin(), state->listeners.end());
        for (const auto& [id, fn] : snapshot) {
            if (state->listeners.count(id)) (*fn)(args...);
        }
    }
    bool empty() const { return state_->listeners.empty(); }
    size_t size() const { return state_->listeners.size(); }

  private:
    using Listener = std::function<void(const Args&...)>;
    struct State {
        uint64_t next = 1;
        std::map<uint64_t, std::shared_ptr<const Listener>> listeners;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace kelvra
