#pragma once

#include <QWidget>

#include "port/SurfaceModels.h"

namespace kelvra::views {

// The zone preview's window: a frameless, click-through, always-on-top tool window
// outside the window manager's care (override-redirect), so it never takes the focus,
// never shows in a task bar or window list, and lets clicks through to the windows
// beneath. It paints a rounded rectangle: the tint, an outer edge and a faint inner
// edge. Without a compositing manager nothing on X11 can be translucent; the window
// is then cut to its outer edge alone, drawn a little stronger, so the windows beneath
// stay visible.
class OverlayWidget final : public QWidget {
  public:
    // Width of the edge when only the edge can be shown.
    static constexpr double outlineOnlyWidth = 3.0;

    explicit OverlayWidget(const port::OverlayModel& model);

    void setModel(const port::OverlayModel& model);
    // With a compositing manager: the whole rectangle, translucent. Without: the edge.
    void setComposited(bool composited);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void updateMask();

    port::OverlayModel model_;
    bool composited_ = true;
};

}  // namespace kelvra::views
