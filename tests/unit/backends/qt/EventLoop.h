#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

namespace kelvra::test {

// Runs the Qt event loop until `done` holds or a generous deadline passes; the deadline
// only keeps a broken test from hanging, it is no measure of speed.
inline bool runUntil(const std::function<bool()>& done, int deadlineMs = 5000) {
    QDeadlineTimer deadline(deadlineMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

}  // namespace kelvra::test
