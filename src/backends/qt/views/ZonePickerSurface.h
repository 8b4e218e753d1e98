#pragma once

#include <QObject>
#include <memory>

#include "base/Subscription.h"
#include "port/Surfaces.h"

union _XEvent;

namespace kelvra::x11 {
class X11Connection;
class VirtualKeyCodes;
}  // namespace kelvra::x11

namespace kelvra::views {

class ZonePickerWidget;
class X11ClickWatch;

// The zone picker's handle. While visible, the panel holds the keyboard through an
// active grab on the program's main X connection (the one whose hot key opened it, so
// the hot key's own grab passes over to it), without becoming the focused or active
// window: the window that was frontmost stays so, and gets the zone. Keys arrive as
// port key events; hovering and clicking a cell as pointer and chosen (the cell's
// index). It is dismissed when the grab is lost, or when a button goes down outside
// the panel (seen through a click watch that takes no click away from anyone).
class ZonePickerSurface final : public port::Surface {
  public:
    // Without `keys` only the keys' US-layout positions are known.
    ZonePickerSurface(x11::X11Connection& connection, const x11::VirtualKeyCodes* keys,
                      const port::ZonePickerModel& model);
    ~ZonePickerSurface() override;

    port::SurfaceKind kind() const override { return port::SurfaceKind::zonePicker; }
    void setFrame(const Rect& frame) override;
    void setOpacity(double opacity) override;
    void setVisible(bool visible) override;
    void setModel(const port::SurfaceModel& model) override;

  private:
    void grabKeyboard();
    void releaseKeyboard();
    void onEvent(const _XEvent& event);
    // Emits `dismissed` from the event loop, so the core may end this surface.
    void postDismissal();

    x11::X11Connection& connection_;
    const x11::VirtualKeyCodes* keys_;
    ZonePickerWidget* widget_;  // deleted later: it may be in one of its own handlers
    QObject guard_;             // posted work dies with the surface
    Subscription listener_;
    Subscription widgetHover_;
    Subscription widgetClick_;
    Subscription clickListener_;
    std::unique_ptr<X11ClickWatch> clicks_;
    unsigned long window_ = 0;
    bool visible_ = false;
    bool grabbed_ = false;
    int grabAttempts_ = 0;
};

}  // namespace kelvra::views
