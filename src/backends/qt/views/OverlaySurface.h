#pragma once

#include <memory>

#include "port/Surfaces.h"
#include "port/WindowSystem.h"

namespace kelvra::views {

class OverlayWidget;

// The zone preview's handle: places, fades and shows its window as the core says.
class OverlaySurface final : public port::Surface {
  public:
    OverlaySurface(port::WindowSystem& windowSystem, const port::OverlayModel& model);
    ~OverlaySurface() override;

    port::SurfaceKind kind() const override { return port::SurfaceKind::overlay; }
    void setFrame(const Rect& frame) override;
    void setOpacity(double opacity) override;
    void setVisible(bool visible) override;
    void setModel(const port::SurfaceModel& model) override;

  private:
    port::WindowSystem& windowSystem_;
    std::unique_ptr<OverlayWidget> widget_;
};

}  // namespace kelvra::views
