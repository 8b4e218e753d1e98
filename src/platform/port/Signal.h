#pragma once

#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "platform/port/Subscription.h"

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
        state_->listeners[id] = std::move(listener);
        std::weak_ptr<State> weak = state_;
        return Subscription([weak, id] {
            if (auto s = weak.lock()) s->listeners.erase(id);
        });
    }
    void emit(const Args&... args) const {
        auto state = state_;  // a listener may destroy the signal's owner
        auto snapshot = state->listeners;
        for (auto& [id, fn] : snapshot) {
            if (state->listeners.count(id)) fn(args...);
        }
    }
    bool empty() const { return state_->listeners.empty(); }
    size_t size() const { return state_->listeners.size(); }

  private:
    struct State {
        uint64_t next = 1;
        std::map<uint64_t, std::function<void(const Args&...)>> listeners;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace kelvra
