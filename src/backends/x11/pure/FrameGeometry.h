#pragma once

#include "base/Rect.h"

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

// The size limits a client states (WM_NORMAL_HINTS), in client pixels.
struct SizeHints {
    double minWidth = 0, minHeight = 0;
    double maxWidth = 1e9, maxHeight = 1e9;
    double baseWidth = -1, baseHeight = -1;  // negative: none given, the minimum stands in
    double widthIncrement = 1, heightIncrement = 1;
};

// The client size a window manager grants for a requested one: limited to the range,
// then rounded down to whole increments above the base size.
Size constrainedSize(Size requested, const SizeHints& hints);

}  // namespace kelvra::x11
