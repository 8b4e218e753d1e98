#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <string>

#include "port/WindowSystem.h"

// Kept free of Xlib's headers, whose macros collide with Qt's names.
struct _XDisplay;

namespace kelvra::x11 {

class VirtualKeyCodes;

// Sees every button press (and, when asked, every key press) on the display without
// taking it from anyone: XInput2 raw events on the root window, which reach each client
// that asks, whatever grabs are active, so nothing typed or clicked elsewhere is lost. It has a
// connection of its own, because the raw-event selection is per client and the main connection's
// belongs to the drag monitor.
class X11ClickWatch final : public QObject, public port::InputWatch {
  public:
    // `displayName` names the display the program works on. Without `keys` only the
    // keys' US-layout positions are known.
    X11ClickWatch(const std::string& displayName, const VirtualKeyCodes* keys,
                  bool watchKeys = false);
    ~X11ClickWatch() override;

    // False when the server has no XInput 2.1 or the display cannot be opened.
    bool active() const { return notifier_ != nullptr; }

  private:
    void readEvents();

    _XDisplay* display_ = nullptr;
    const VirtualKeyCodes* keys_;
    int xiOpcode_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kelvra::x11
