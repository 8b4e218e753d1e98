#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace kelvra {

using TimerId = uint64_t;

// What the basics need of a run loop: queued work, timers and a clock. The port's run
// loop is one; the basics never see the rest of the platform.
class Scheduler {
  public:
    virtual ~Scheduler() = default;
    // Runs the work on the main thread, after what is already queued. Safe from any thread.
    virtual void post(std::function<void()> work) = 0;
    // A one-shot or repeating timer on the main thread; never 0.
    virtual TimerId scheduleTimer(double intervalSeconds, bool repeats,
                                  std::function<void()> fire) = 0;
    // Cancelling an unknown or finished timer does nothing.
    virtual void cancelTimer(TimerId timer) = 0;
    // Monotonic time in seconds.
    virtual double now() = 0;

    // Expires with the scheduler: a timer that outlives it (one held by a process-wide
    // object) has nothing left to cancel.
    std::weak_ptr<const void> token() const { return token_; }

  private:
    std::shared_ptr<const char> token_ = std::make_shared<const char>();
};

}  // namespace kelvra
