#pragma once

#include "geometry/Rect.h"

namespace kelvra::x11 {

// Widths added to (or, for client-side shadows, included in) a client window.
struct Extents {
    double left = 0, right = 0, top = 0, bottom = 0;
    friend bool operator==(const Extents&, const Extents&) = default;
};

// The frame a user sees around a client window whose area (root coordinates) is
// `client`: the window manager's decorations added, client-drawn shadows removed.
Rect outerFrame(const Rect& client, const Extents& decorations, const Extents& shadows);

// What to ask the window manager for so that the user sees `outer`: the position of
// the decorated frame's top-left corner (north-west gravity) and the client's size.
struct MoveResizeRequest {
    double x = 0, y = 0;
    double width = 1, height = 1;
    friend bool operator==(const MoveResizeRequest&, const MoveResizeRequest&) = default;
};
MoveResizeRequest requestFor(const Rect& outer, const Extents& decorations, const Extents& shadows);

}  // namespace kelvra::x11
