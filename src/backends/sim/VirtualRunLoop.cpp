#include "backends/sim/VirtualRunLoop.h"

#include <algorithm>
#include <utility>

namespace kelvra::sim {

namespace {
// Clock steps made of repeated decimal fractions drift by a few ulps; a timer that is
// due within this margin of the target time still fires in that step.
constexpr double dueSlack = 1e-9;
// A repeating timer with no interval would fire forever within one step.
constexpr double minRepeatInterval = 1e-4;
}  // namespace

void VirtualRunLoop::post(std::function<void()> work) {
    if (!work) return;
    std::lock_guard lock(postMutex_);
    posted_.push_back(std::move(work));
}

port::TimerId VirtualRunLoop::scheduleTimer(double intervalSeconds, bool repeats,
                                            std::function<void()> fire) {
    double interval = std::max(0.0, intervalSeconds);
    if (repeats) interval = std::max(interval, minRepeatInterval);
    port::TimerId id = nextTimer_++;
    timers_[id] = Timer{now_ + interval, interval, repeats, std::move(fire)};
    return id;
}

void VirtualRunLoop::cancelTimer(port::TimerId timer) {
    timers_.erase(timer);
}

void VirtualRunLoop::runPending() {
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(postMutex_);
            if (posted_.empty()) return;
            work = std::move(posted_.front());
            posted_.pop_front();
        }
        work();
    }
}

size_t VirtualRunLoop::pendingWork() {
    std::lock_guard lock(postMutex_);
    return posted_.size();
}

void VirtualRunLoop::advance(double seconds) {
    const double target = now_ + std::max(0.0, seconds);
    runPending();
    for (;;) {
        // The earliest due timer; among equal due times the one scheduled first.
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (next == timers_.end() || it->second.due < next->second.due) next = it;
        }
        if (next == timers_.end() || next->second.due > target + dueSlack) break;

        now_ = std::max(now_, next->second.due);
        // The callback may cancel or schedule timers, so work on a copy.
        std::function<void()> fire = next->second.fire;
        if (next->second.repeats) {
            next->second.due += next->second.interval;
        } else {
            timers_.erase(next);
        }
        if (fire) fire();
        runPending();
    }
    now_ = std::max(now_, target);
}

}  // namespace kelvra::sim
