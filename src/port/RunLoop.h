#pragma once

#include "base/Scheduler.h"

namespace kelvra::port {

using TimerId = kelvra::TimerId;

// The main run loop: everything the program does runs on it. Queued work, timers and
// the clock come from the scheduler the basics use.
class RunLoop : public Scheduler {
  public:
    // Ends the run loop once the current work is done; the program then terminates
    // as it does after a termination signal.
    virtual void quit() = 0;
};

}  // namespace kelvra::port
