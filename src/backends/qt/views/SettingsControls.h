#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

#include "port/SettingsPage.h"

namespace kelvra::views {

// The stepper pill: minus, the value (a double click asks for the default), plus.
class StepperPillWidget final : public QWidget {
    Q_OBJECT
  public:
    explicit StepperPillWidget(QWidget* parent = nullptr);
    void setText(const QString& text);
    void setAccessibleBase(const QString& name);

  Q_SIGNALS:
    void minus();
    void plus();
    void reset();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPushButton* minus_;
    QLabel* value_;
    QPushButton* plus_;
};

// A shortcut cell: the combination as key chips, "not set", or a pulsing "type a
// shortcut" while recording; one held by another program is marked as taken.
class ShortcutField final : public QPushButton {
    Q_OBJECT
  public:
    explicit ShortcutField(QWidget* parent = nullptr);
    void setState(const QString& text, bool recording, bool taken, const QString& takenTip);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString text_;
    bool recording_ = false;
    bool taken_ = false;
    int pulse_ = 0;
    QTimer timer_;
};

// The layout grid: cells to drag across, the zones drawn so far and the one being
// drawn. Reports pointer positions on the canvas; the core does the cell arithmetic.
class GridCanvas final : public QWidget {
    Q_OBJECT
  public:
    explicit GridCanvas(QWidget* parent = nullptr);
    void setGrid(const port::SettingsGrid& grid);
    QSize sizeHint() const override { return {420, 170}; }

  Q_SIGNALS:
    void dragged(QPointF point, QSizeF canvas);
    void dragEnded();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QRectF zoneRect(const port::SettingsGrid::Zone& zone) const;
    QRectF removeRect(const port::SettingsGrid::Zone& zone) const;
    std::optional<size_t> removeControlAt(QPointF point) const;
    port::SettingsGrid grid_;
    bool dragging_ = false;
    // The keyboard's cell: arrows move it, Space starts and ends a zone, Delete removes
    // the zone over it.
    QPoint keyCell_;
    bool keyDrawing_ = false;
};

}  // namespace kelvra::views
