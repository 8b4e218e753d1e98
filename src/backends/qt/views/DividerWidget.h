#pragma once

#include <QWidget>
#include <functional>

#include "port/SurfaceModels.h"
#include "port/Surfaces.h"

namespace kelvra::views {

// The divider's strip: a frameless always-on-top window outside the window manager's
// care (override-redirect), so it never takes the focus and never shows in a task bar.
// It draws the grip as the model says, shows the resize cursor for its direction and
// reports the pointer: positions in root pixels, turned into the top-left space by the
// surface.
class DividerWidget final : public QWidget {
  public:
    using Report = std::function<void(port::SurfacePointer::Phase, QPointF global, int)>;

    DividerWidget(const port::DividerModel& model, Report report);

    void setModel(const port::DividerModel& model);
    // Without a compositing manager nothing can be translucent: the strip is then
    // painted solid, in the colour of the windows' frames.
    void setComposited(bool composited);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void report(port::SurfacePointer::Phase phase, QPointF global, int clicks = 1);

    port::DividerModel model_;
    Report report_;
    bool composited_ = true;
};

// The small rounded chip that shows the split ("50 : 50") while a divider is dragged.
// It lets the pointer through.
class RatioChipWidget final : public QWidget {
  public:
    RatioChipWidget();
    void setText(const QString& text);
    // The chip's size for its text, in device-independent pixels.
    QSize sizeForText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    // Cut to its rounded shape, so no corners show where nothing can be translucent.
    void resizeEvent(QResizeEvent* event) override;

  private:
    QString text_;
};

}  // namespace kelvra::views
