#include "backends/qt/views/ZoneGlyph.h"

#include <QPainter>
#include <QPainterPath>

namespace kelvra::views {

namespace {

struct Grid {
    int columns = 1;
    int rows = 1;
};

// The cells the zone's family divides the screen into; centred zones have none.
Grid gridOf(ZoneID zone) {
    switch (zone) {
        case ZoneID::leftHalf:
        case ZoneID::rightHalf:
            return {2, 1};
        case ZoneID::topHalf:
        case ZoneID::bottomHalf:
            return {1, 2};
        case ZoneID::topLeftQuarter:
        case ZoneID::topRightQuarter:
        case ZoneID::bottomLeftQuarter:
        case ZoneID::bottomRightQuarter:
            return {2, 2};
        case ZoneID::leftThird:
        case ZoneID::centerThird:
        case ZoneID::rightThird:
        case ZoneID::leftTwoThirds:
        case ZoneID::rightTwoThirds:
            return {3, 1};
        default:
            return {1, 1};
    }
}

}  // namespace

void ZoneGlyph::paint(QPainter& p, const QRectF& bounds) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    constexpr double line = 1.25;
    constexpr double radius = 4.5;
    constexpr double inset = 2.5;  // between the outline and what is inside
    QRectF screen = bounds.adjusted(line / 2, line / 2, -line / 2, -line / 2);
    QRectF inside = screen.adjusted(inset, inset, -inset, -inset);

    // The empty cells, faintly.
    Grid grid = gridOf(zone);
    QColor cellLine = outline;
    cellLine.setAlphaF(outline.alphaF() * 0.35f);
    p.setPen(QPen(cellLine, 1));
    for (int c = 1; c < grid.columns; ++c) {
        double x = inside.left() + inside.width() * c / grid.columns;
        p.drawLine(QPointF(x, inside.top() + 1), QPointF(x, inside.bottom() - 1));
    }
    for (int r = 1; r < grid.rows; ++r) {
        double y = inside.top() + inside.height() * r / grid.rows;
        p.drawLine(QPointF(inside.left() + 1, y), QPointF(inside.right() - 1, y));
    }

    // The covered part: the zone's own geometry, scaled into the miniature.
    Rect unit = frame(zone, Rect{0, 0, 1, 1}, 0, 0);
    QRectF covered(inside.left() + unit.x * inside.width(), inside.top() + unit.y * inside.height(),
                   unit.width * inside.width(), unit.height * inside.height());
    constexpr double cellGap = 1.0;  // the filled part stands clear of its neighbours
    covered.adjust(cellGap, cellGap, -cellGap, -cellGap);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(covered, radius - inset, radius - inset);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(outline, line));
    p.drawRoundedRect(screen, radius, radius);
    p.restore();
}

}  // namespace kelvra::views
