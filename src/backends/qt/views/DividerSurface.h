#pragma once

#include <memory>
#include <vector>

#include "port/Surfaces.h"
#include "port/WindowSystem.h"

namespace kelvra::views {

class DividerWidget;
class RatioChipWidget;

// A divider's handle: places the strip, shows the ratio chip while the model has a text
// and turns the strip's pointer reports into the top-left space.
class DividerSurface final : public port::Surface {
  public:
    DividerSurface(port::WindowSystem& windowSystem, const port::DividerModel& model);
    ~DividerSurface() override;

    port::SurfaceKind kind() const override { return port::SurfaceKind::divider; }
    void setFrame(const Rect& frame) override;
    void setOpacity(double opacity) override;
    void setVisible(bool visible) override;
    void setModel(const port::SurfaceModel& model) override;
    void stackAbove(const std::vector<port::WindowRef>& group) override;

  private:
    void placeChip();

    port::WindowSystem& windowSystem_;
    port::DividerModel model_;
    Rect frame_;
    bool visible_ = false;
    std::vector<port::WindowRef> group_;  // kept above these; empty: above everything
    std::unique_ptr<DividerWidget> strip_;
    std::unique_ptr<RatioChipWidget> chip_;
};

}  // namespace kelvra::views
