#include "backends/x11/X11EventPump.h"

#include <QAbstractEventDispatcher>
#include <QThread>

namespace kelvra::x11 {

X11EventPump::X11EventPump(int connectionFd, std::function<void()> dispatchPending, QObject* parent)
    : QObject(parent),
      notifier_(connectionFd, QSocketNotifier::Read),
      dispatchPending_(std::move(dispatchPending)) {
    connect(&notifier_, &QSocketNotifier::activated, this, &X11EventPump::pump);
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &X11EventPump::pump);
    }
}

void X11EventPump::pump() {
    // A listener that runs a nested event loop (a modal alert) must not re-enter.
    if (pumping_) return;
    pumping_ = true;
    dispatchPending_();
    pumping_ = false;
}

}  // namespace kelvra::x11
