#pragma once

#include <QIcon>
#include <QPointF>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "base/Signal.h"
#include "port/SurfaceModels.h"

class QScrollBar;

namespace kelvra::views {

// The snap-assist panel's window: a rounded panel covering the zone on offer, with a
// title and the Escape hint on top and a grid of cards below (the window's icon, its
// title and its application, each elided to the card). Up to three columns, as many as
// fit at their least width; when the rows do not fit the height, the grid scrolls (wheel
// or scroll bar) and the cards keep their size. It is override-redirect and takes no
// focus, so it is in no task bar, never becomes the active window and stays where it is
// put whatever moves beneath it.
class AssistWidget final : public QWidget {
  public:
    static constexpr double padding = 16;
    static constexpr double headerHeight = 30;  // title and hint
    static constexpr double gap = 10;           // between cards, both ways
    static constexpr double minCardWidth = 130;
    static constexpr double cardHeight = 112;
    static constexpr int maxColumns = 3;

    explicit AssistWidget(const port::AssistCardsModel& model);

    void setModel(const port::AssistCardsModel& model);
    void setComposited(bool composited);
    // The card at a point of the widget (scrolling counted), if any.
    std::optional<int> cardAt(QPointF point) const;
    // The card's rectangle in widget coordinates, as drawn now.
    QRectF cardRect(int index) const;

    Signal<int> cardClicked;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    int columns() const;
    QRectF gridArea() const;
    double contentHeight() const;
    void layoutScrollBar();
    QIcon iconOf(const port::AssistCard& card) const;

    port::AssistCardsModel model_;
    std::vector<QIcon> icons_;
    bool composited_ = true;
    std::optional<int> hovered_;
    QScrollBar* scrollBar_;
};

}  // namespace kelvra::views
