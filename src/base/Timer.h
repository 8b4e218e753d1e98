#pragma once

#include <functional>
#include <memory>

#include "base/Scheduler.h"

namespace kelvra {

// A timer owned by the object it calls back: dropping or restarting it cancels it, so
// a callback never outlives its owner and nobody cancels by hand. Move-only.
class Timer {
  public:
    Timer() = default;
    ~Timer() { cancel(); }
    Timer(Timer&& other) noexcept = default;
    Timer& operator=(Timer&& other) noexcept {
        if (this != &other) {
            cancel();
            state_ = std::move(other.state_);
        }
        return *this;
    }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Fires once after `seconds`, cancelling what this timer had scheduled before.
    void once(Scheduler& scheduler, double seconds, std::function<void()> fire) {
        start(scheduler, seconds, false, std::move(fire));
    }
    // Fires every `seconds` until cancelled, cancelling what was scheduled before.
    void every(Scheduler& scheduler, double seconds, std::function<void()> fire) {
        start(scheduler, seconds, true, std::move(fire));
    }
    void cancel();
    // Scheduled and not yet fired (a repeating timer stays active until cancelled).
    bool active() const { return state_ && state_->id != 0; }

  private:
    struct State {
        Scheduler* scheduler = nullptr;
        std::weak_ptr<const void> schedulerAlive;
        TimerId id = 0;
    };
    void start(Scheduler& scheduler, double seconds, bool repeats, std::function<void()> fire);

    // On the heap so that the scheduled callback's pointer survives moves.
    std::unique_ptr<State> state_;
};

}  // namespace kelvra
