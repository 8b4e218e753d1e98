#pragma once

#include <cstdint>
#include <functional>

namespace kelvra::port {

using TimerId = uint64_t;

// The main run loop: everything the program does runs on it.
class RunLoop {
  public:
    virtual ~RunLoop() = default;
    // Runs the work on the main thread, after what is already queued. Safe from any thread.
    virtual void post(std::function<void()> work) = 0;
    // A one-shot or repeating timer on the main thread; never 0.
    virtual TimerId scheduleTimer(double intervalSeconds, bool repeats,
                                  std::function<void()> fire) = 0;
    // Cancelling an unknown or finished timer does nothing.
    virtual void cancelTimer(TimerId timer) = 0;
    // Monotonic time in seconds.
    virtual double now() = 0;
    // Ends the run loop once the current work is done; the program then terminates
    // as it does after a termination signal.
    virtual void quit() = 0;
};

}  // namespace kelvra::port
