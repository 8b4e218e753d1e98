#include "base/Animator.h"

#include <vector>

namespace kelvra {

Animator::Id Animator::start(double duration, const CubicBezier& curve,
                             std::function<void(double)> step, std::function<void()> completion) {
    Id id = next_++;
    if (!(duration > 0)) {
        if (step) step(1.0);
        if (completion) completion();
        return id;
    }
    running_[id] = Transition{scheduler_.now(), duration, curve, step, std::move(completion)};
    if (step) step(curve.value(0));
    // The first step may have cancelled it.
    if (running_.count(id) && !timer_.active())
        timer_.every(scheduler_, frameInterval, [this] { tick(); });
    return id;
}

void Animator::cancel(Id id) {
    running_.erase(id);
    stopTimerIfIdle();
}

void Animator::tick() {
    double now = scheduler_.now();
    std::vector<Id> ids;
    ids.reserve(running_.size());
    for (const auto& entry : running_) ids.push_back(entry.first);
    for (Id id : ids) {
        auto it = running_.find(id);
        if (it == running_.end()) continue;  // cancelled by an earlier callback
        double elapsed = (now - it->second.start) / it->second.duration;
        bool done = elapsed >= 1.0;
        auto step = it->second.step;
        if (step) step(done ? 1.0 : it->second.curve.value(elapsed));
        if (!done) continue;
        it = running_.find(id);
        if (it == running_.end()) continue;
        auto completion = std::move(it->second.completion);
        running_.erase(it);
        if (completion) completion();
    }
    stopTimerIfIdle();
}

void Animator::stopTimerIfIdle() {
    if (running_.empty()) timer_.cancel();
}

}  // namespace kelvra
