#include "backends/x11/pure/FrameGeometry.h"

#include <algorithm>
#include <cmath>

namespace kelvra::x11 {

Rect outerFrame(const Rect& client, const Extents& d, const Extents& s) {
    return Rect(client.x - d.left + s.left, client.y - d.top + s.top,
                client.width + d.left + d.right - s.left - s.right,
                client.height + d.top + d.bottom - s.top - s.bottom);
}

MoveResizeRequest requestFor(const Rect& outer, const Extents& d, const Extents& s) {
    MoveResizeRequest r;
    // With north-west gravity the position names the decorated frame's corner, which
    // lies the shadow's width outside the visible frame.
    r.x = std::round(outer.x - s.left);
    r.y = std::round(outer.y - s.top);
    // X has no empty windows: never ask for less than one pixel.
    r.width = std::max(1.0, std::round(outer.width - d.left - d.right + s.left + s.right));
    r.height = std::max(1.0, std::round(outer.height - d.top - d.bottom + s.top + s.bottom));
    return r;
}

namespace {

double constrainAxis(double value, double min, double max, double base, double increment) {
    value = std::max(1.0, std::min(std::max(value, min), max));
    if (increment > 1) {
        double origin = base >= 0 ? base : min;
        if (value > origin) value = origin + std::floor((value - origin) / increment) * increment;
        // Rounding down must not fall below the minimum.
        while (value < min) value += increment;
    }
    return value;
}

}  // namespace

Size constrainedSize(Size requested, const SizeHints& h) {
    return {
        constrainAxis(requested.width, h.minWidth, h.maxWidth, h.baseWidth, h.widthIncrement),
        constrainAxis(requested.height, h.minHeight, h.maxHeight, h.baseHeight, h.heightIncrement)};
}

}  // namespace kelvra::x11
