#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "base/Easing.h"
#include "base/Rect.h"
#include "base/Scheduler.h"
#include "base/Timer.h"

namespace kelvra {

// Drives transitions of the program's own surfaces from the scheduler's clock: while
// any transition runs, a timer ticks at about 60 Hz and each transition gets its eased
// progress for the time now; when the last one ends the timer stops, so an idle
// program never wakes for animation. Progress follows the clock, not the tick count,
// so a late tick still lands on the right value.
class Animator {
  public:
    using Id = uint64_t;
    static constexpr double frameInterval = 1.0 / 60.0;

    explicit Animator(Scheduler& scheduler) : scheduler_(scheduler) {}
    Animator(const Animator&) = delete;
    Animator& operator=(const Animator&) = delete;

    // Starts a transition of `duration` seconds. `step` receives the eased progress:
    // 0 at once, then at every tick, ending with exactly 1; `completion` runs after the
    // last step. A duration of 0 or less steps to 1 and completes at once. Callbacks may
    // start and cancel transitions.
    Id start(double duration, const CubicBezier& curve, std::function<void(double)> step,
             std::function<void()> completion = {});
    // Stops a transition where it is: no more steps, no completion. Unknown ids do nothing.
    void cancel(Id id);
    bool isRunning(Id id) const { return running_.count(id) != 0; }
    bool idle() const { return running_.empty(); }

  private:
    struct Transition {
        double start;
        double duration;
        CubicBezier curve;
        std::function<void(double)> step;
        std::function<void()> completion;
    };
    void tick();
    void stopTimerIfIdle();

    std::map<Id, Transition> running_;
    Scheduler& scheduler_;
    Timer timer_;
    Id next_ = 1;
};

inline double lerp(double from, double to, double progress) {
    return from + (to - from) * progress;
}

inline Rect lerp(const Rect& from, const Rect& to, double progress) {
    return {lerp(from.x, to.x, progress), lerp(from.y, to.y, progress),
            lerp(from.width, to.width, progress), lerp(from.height, to.height, progress)};
}

}  // namespace kelvra
