#pragma once

#include <QObject>
#include <memory>

#include "base/Subscription.h"
#include "port/Surfaces.h"
#include "port/WindowSystem.h"

namespace kelvra::views {

class ZonePickerWidget;

// The zone picker's handle. While visible, the panel holds the keyboard through a grab
// of the window system's, without becoming the focused or active window: the window
// that was frontmost stays so, and gets the zone. Keys arrive as
// port key events; hovering and clicking a cell as pointer and chosen (the cell's
// index). It is dismissed when the grab is lost, or when a button goes down outside
// the panel (seen through a click watch that takes no click away from anyone).
class ZonePickerSurface final : public port::Surface {
  public:
    ZonePickerSurface(port::WindowSystem& windowSystem, const port::ZonePickerModel& model);
    ~ZonePickerSurface() override;

    port::SurfaceKind kind() const override { return port::SurfaceKind::zonePicker; }
    void setFrame(const Rect& frame) override;
    void setOpacity(double opacity) override;
    void setVisible(bool visible) override;
    void setModel(const port::SurfaceModel& model) override;

  private:
    void grabKeyboard();
    void releaseKeyboard();
    // Emits `dismissed` from the event loop, so the core may end this surface.
    void postDismissal();

    port::WindowSystem& windowSystem_;
    ZonePickerWidget* widget_;  // deleted later: it may be in one of its own handlers
    QObject guard_;             // posted work dies with the surface
    std::unique_ptr<port::KeyboardGrab> grab_;
    Subscription grabKey_;
    Subscription grabLost_;
    Subscription widgetHover_;
    Subscription widgetClick_;
    Subscription clickListener_;
    std::unique_ptr<port::InputWatch> clicks_;
    port::NativeWindow window_ = 0;
    bool visible_ = false;
    int grabAttempts_ = 0;
};

}  // namespace kelvra::views
