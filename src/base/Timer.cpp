#include "base/Timer.h"

#include <utility>

namespace kelvra {

void Timer::start(Scheduler& scheduler, double seconds, bool repeats, std::function<void()> fire) {
    cancel();
    if (!state_) state_ = std::make_unique<State>();
    State* state = state_.get();
    state->scheduler = &scheduler;
    state->schedulerAlive = scheduler.token();
    // The state is alive whenever this runs: dropping the timer cancels the callback.
    state->id = scheduler.scheduleTimer(seconds, repeats, [state, repeats, fire = std::move(fire)] {
        if (!repeats) state->id = 0;
        fire();
    });
}

void Timer::cancel() {
    if (!state_ || state_->id == 0) return;
    TimerId id = std::exchange(state_->id, 0);
    if (!state_->schedulerAlive.expired()) state_->scheduler->cancelTimer(id);
}

}  // namespace kelvra
