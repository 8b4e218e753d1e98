#include "base/Throttle.h"

#include <utility>

namespace kelvra {

void Throttle::request(std::function<void()> work) {
    cancel();
    double elapsed = scheduler_.now() - last_;
    if (elapsed >= interval_) {
        run(std::move(work));
        return;
    }
    waiting_ = std::move(work);
    timer_.once(scheduler_, interval_ - elapsed, [this] { run(std::exchange(waiting_, nullptr)); });
}

void Throttle::flush() {
    if (!timer_.active()) return;
    timer_.cancel();
    run(std::exchange(waiting_, nullptr));
}

void Throttle::cancel() {
    timer_.cancel();
    waiting_ = nullptr;
}

void Throttle::run(std::function<void()> work) {
    last_ = scheduler_.now();
    work();
}

}  // namespace kelvra
