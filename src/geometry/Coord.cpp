#include "geometry/Coord.h"

#include "port/Platform.h"

namespace kelvra::Coord {

Rect flip(const Rect& r, double primaryHeight) {
    // The null rectangle has no position to mirror; it stays null in either space.
    if (r.isNull()) return r;
    return Rect(r.minX(), primaryHeight - r.maxY(), r.width, r.height);
}

Rect bottomLeftRect(const Rect& topLeft) {
    auto screens = platform().screens->screens();
    double primaryHeight = screens.empty() ? 0 : screens.front().frame.height;
    return flip(topLeft, primaryHeight);
}

}  // namespace kelvra::Coord
