#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "port/RunLoop.h"

namespace kelvra::sim {

// A run loop on a virtual clock. Nothing runs until the test drives it: runPending()
// runs posted work, advance() moves the clock and fires due timers in time order
// (running posted work after each one).
class VirtualRunLoop final : public port::RunLoop {
  public:
    void post(std::function<void()> work) override;
    port::TimerId scheduleTimer(double intervalSeconds, bool repeats,
                                std::function<void()> fire) override;
    void cancelTimer(port::TimerId timer) override;
    double now() override { return now_; }
    void quit() override { quitRequested_ = true; }
    bool quitRequested() const { return quitRequested_; }

    // Runs posted work (including work posted meanwhile) until the queue is empty.
    void runPending();
    // Moves the clock forward by `seconds`, firing every timer that falls due.
    void advance(double seconds);
    size_t activeTimers() const { return timers_.size(); }
    size_t pendingWork();

  private:
    struct Timer {
        double due;
        double interval;
        bool repeats;
        std::function<void()> fire;
    };
    bool quitRequested_ = false;
    double now_ = 1000.0;  // not zero, so that "never" stamps are distinguishable
    port::TimerId nextTimer_ = 1;
    std::map<port::TimerId, Timer> timers_;
    std::mutex postMutex_;
    std::deque<std::function<void()>> posted_;
};

}  // namespace kelvra::sim
