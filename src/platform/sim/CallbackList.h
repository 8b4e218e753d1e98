#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "platform/port/Subscription.h"
#include "platform/sim/VirtualRunLoop.h"

namespace kelvra::sim {

// Subscribers of one simulated platform notification. Subscriptions may outlive the
// list (components are often torn down after the desktop), so they hold it weakly.
template <typename... Args>
class CallbackList {
  public:
    Subscription add(std::function<void(Args...)> callback) {
        uint64_t id = state_->next++;
        state_->callbacks[id] = std::move(callback);
        std::weak_ptr<State> weak = state_;
        return Subscription([weak, id] {
            if (auto state = weak.lock()) state->callbacks.erase(id);
        });
    }

    // Queues one delivery per current subscriber; one that unsubscribes before the
    // loop runs is not called.
    void post(VirtualRunLoop& loop, Args... args) {
        std::weak_ptr<State> weak = state_;
        for (const auto& entry : state_->callbacks) {
            uint64_t id = entry.first;
            loop.post([weak, id, args...] {
                auto state = weak.lock();
                if (!state) return;
                auto it = state->callbacks.find(id);
                if (it == state->callbacks.end()) return;
                auto callback = it->second;  // it may unsubscribe itself
                callback(args...);
            });
        }
    }

    size_t size() const { return state_->callbacks.size(); }

  private:
    struct State {
        uint64_t next = 1;
        std::map<uint64_t, std::function<void(Args...)>> callbacks;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace kelvra::sim
