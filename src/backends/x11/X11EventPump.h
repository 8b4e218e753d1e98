#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>

namespace kelvra::x11 {

// Feeds the X connection's events to the backend from Qt's event loop: whenever the
// connection's socket has data, and after every pass of the loop, because Xlib reads
// events into its queue during ordinary requests, leaving nothing on the socket to wake
// the loop for them.
class X11EventPump final : public QObject {
    Q_OBJECT
  public:
    X11EventPump(int connectionFd, std::function<void()> dispatchPending,
                 QObject* parent = nullptr);

  private:
    void pump();

    QSocketNotifier notifier_;
    std::function<void()> dispatchPending_;
    bool pumping_ = false;
};

}  // namespace kelvra::x11
