#pragma once

#include <QColor>
#include <QRectF>

#include "base/ZoneID.h"

class QPainter;

namespace kelvra::views {

// A zone in miniature: a rounded screen outline divided into the cells of the zone's
// family (halves, thirds, quarters), with the part the zone covers filled, so that
// each zone is recognisable at 56 x 36.
struct ZoneGlyph {
    ZoneID zone = ZoneID::leftHalf;
    QColor outline;
    QColor fill;

    void paint(QPainter& painter, const QRectF& bounds) const;
};

}  // namespace kelvra::views
