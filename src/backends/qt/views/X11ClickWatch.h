#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <string>

#include "base/Signal.h"

// Kept free of Xlib's headers, whose macros collide with Qt's names.
struct _XDisplay;

namespace kelvra::views {

// Sees every button press (and, when asked, every key press) on the display without
// taking it from anyone: XInput2 raw events on the root window, which reach each client
// that asks, whatever grabs are active, so nothing typed or clicked elsewhere is lost. It has a
// connection of its own, because the raw-event selection is per client and the main connection's
// belongs to the drag monitor.
class X11ClickWatch final : public QObject {
  public:
    // `displayName` names the display the program works on.
    explicit X11ClickWatch(const std::string& displayName, bool watchKeys = false);
    ~X11ClickWatch() override;

    // False when the server has no XInput 2.1 or the display cannot be opened.
    bool active() const { return notifier_ != nullptr; }

    // A button went down; the top-level window under the pointer then (0 for none).
    // Listeners must not end the watch while it runs: post such work.
    Signal<unsigned long> pressed;
    // A key went down (auto-repeat included): its X key code. Only with `watchKeys`.
    Signal<unsigned> keyPressed;

  private:
    void readEvents();

    _XDisplay* display_ = nullptr;
    int xiOpcode_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kelvra::views
