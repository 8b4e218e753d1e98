#pragma once

#include <vector>

#include "base/Rect.h"

namespace kelvra::x11 {

// The space a dock window reserves along the edges of the root window, as the window
// manager hints describe it: widths from each root edge and the span along that edge.
// Spans are inclusive pixel ranges; a strut without spans covers the whole edge.
struct Strut {
    double left = 0, right = 0, top = 0, bottom = 0;
    double leftStartY = 0, leftEndY = 0;
    double rightStartY = 0, rightEndY = 0;
    double topStartX = 0, topEndX = 0;
    double bottomStartX = 0, bottomEndX = 0;

    // A strut from the twelve values of the partial hint.
    static Strut partial(const long (&v)[12]);
    // A strut from the four values of the older hint: each edge over its full length.
    static Strut full(const long (&v)[4], const Rect& root);
};

// The part of a monitor (root coordinates) that windows may use: the monitor less
// every strut whose inner edge falls on it. A strut that would leave nothing is ignored.
Rect visibleFrameOf(const Rect& monitor, const Rect& root, const std::vector<Strut>& struts);

// The part of a monitor that the window manager's work area (root coordinates) leaves.
// Some managers (IceWM's taskbar, Fluxbox's toolbar) keep their own panel out of the
// work area without any strut. The work area is one rectangle over the whole root, so
// only an edge that cuts into the monitor from a root edge the monitor lies on counts:
// its other edges belong to neighbouring monitors. A work area that would leave nothing
// is ignored.
Rect workAreaPartOf(const Rect& monitor, const Rect& root, const Rect& workArea);

}  // namespace kelvra::x11
