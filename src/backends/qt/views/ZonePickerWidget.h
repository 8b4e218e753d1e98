#pragma once

#include <QPointF>
#include <QStringList>
#include <QWidget>
#include <optional>

#include "base/Signal.h"
#include "port/SurfaceModels.h"

namespace kelvra::views {

// The zone picker's window: a floating rounded panel, outside the window manager's
// care (override-redirect), so it is never in a task bar or pager and never becomes
// the active window. It draws the grid of zone miniatures with their labels, the
// selection highlight where the model puts it, and the footer: the selected zone's
// label on the left, the key hints on the right. The background follows the palette
// (dark or light), translucent with a compositing manager, opaque and cut to the
// rounded shape without one.
class ZonePickerWidget final : public QWidget {
  public:
    explicit ZonePickerWidget(const port::ZonePickerModel& model);

    void setModel(const port::ZonePickerModel& model);
    void setComposited(bool composited);
    // The cell at a point of the widget, if any.
    std::optional<int> cellAt(QPointF point) const;
    // The cell labels that, wrapped, run out of the room under their glyph even in the
    // smallest type.
    QStringList overflowingLabels() const;

    // The pointer moved onto another cell: its global position (device-independent).
    Signal<QPointF> pointerOnCell;
    Signal<int> cellClicked;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QRectF cellRect(double column, double row) const;
    // Where cell i draws its glyph and its label.
    QRectF glyphRect(int i) const;
    QRectF labelRect(int i) const;
    // The label's type: the usual size, smaller where the label would not fit.
    QFont labelFont(int i) const;

    port::ZonePickerModel model_;
    bool composited_ = true;
    std::optional<int> hovered_;
};

}  // namespace kelvra::views
