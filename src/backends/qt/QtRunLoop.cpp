#include "backends/qt/QtRunLoop.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <utility>

#include <QCoreApplication>

namespace kelvra::qt {

QtRunLoop::QtRunLoop(QObject* parent) : QObject(parent) {}

QtRunLoop::~QtRunLoop() {
    for (auto& [id, entry] : timers_) delete entry.timer;
}

void QtRunLoop::post(std::function<void()> work) {
    // Queued events to one receiver are delivered in the order they were posted, which
    // gives post() its first-in, first-out guarantee across threads.
    QMetaObject::invokeMethod(
        this, [work = std::move(work)] { work(); }, Qt::QueuedConnection);
}

port::TimerId QtRunLoop::scheduleTimer(double intervalSeconds, bool repeats,
                                       std::function<void()> fire) {
    const port::TimerId id = nextTimer_++;
    auto* timer = new QTimer(this);
    // Throttles of a few milliseconds would drift noticeably on a coarse timer.
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeats);
    const double ms = std::isfinite(intervalSeconds) ? intervalSeconds * 1000.0 : 0.0;
    timer->setInterval(static_cast<int>(std::clamp(std::lround(ms), 0L, long{INT32_MAX})));
    connect(timer, &QTimer::timeout, this, [this, id] { fired(id); });
    timers_.emplace(id, Entry{timer, std::move(fire)});
    timer->start();
    return id;
}

void QtRunLoop::fired(port::TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    if (!it->second.timer->isSingleShot()) {
        // Copied: the callback may cancel its own timer, which destroys the stored one.
        auto fire = it->second.fire;
        fire();
        return;
    }
    auto fire = std::move(it->second.fire);
    it->second.timer->deleteLater();
    timers_.erase(it);
    fire();
}

void QtRunLoop::cancelTimer(port::TimerId timer) {
    auto it = timers_.find(timer);
    if (it == timers_.end()) return;
    it->second.timer->stop();
    // Later, not now: the timer may be inside its own timeout signal.
    it->second.timer->deleteLater();
    timers_.erase(it);
}

double QtRunLoop::now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void QtRunLoop::quit() {
    // Queued, so that a menu choosing "Quit" closes before the program goes; exit, not the
    // toolkit's quit, which gives up when a window refuses to close (the settings window
    // only hides).
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

}  // namespace kelvra::qt
