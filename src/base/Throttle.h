#pragma once

#include <functional>
#include <limits>

#include "base/Scheduler.h"
#include "base/Timer.h"

namespace kelvra {

// Runs work at most once per interval: a request after a quiet interval runs at once,
// one sooner waits for the interval's end, and a newer request replaces a waiting one,
// so the newest always lands last.
class Throttle {
  public:
    Throttle(Scheduler& scheduler, double interval) : scheduler_(scheduler), interval_(interval) {}

    void request(std::function<void()> work);
    // Runs the waiting request now, if there is one.
    void flush();
    // Drops the waiting request, if there is one.
    void cancel();
    bool waiting() const { return timer_.active(); }

  private:
    void run(std::function<void()> work);

    Scheduler& scheduler_;
    double interval_;
    double last_ = -std::numeric_limits<double>::infinity();
    std::function<void()> waiting_;
    Timer timer_;
};

}  // namespace kelvra
