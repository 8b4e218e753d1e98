#pragma once

#include <optional>
#include <vector>

#include "base/Rect.h"
#include "port/Screens.h"

namespace kelvra {

// A snapshot of one display, with its frames in the top-left space. Two values are
// the same display when their `screen` ids are equal; there is no other equality.
struct ScreenInfo {
    port::PlatformScreen screen;
    Rect frame;
    Rect visible;

    bool sameDisplay(const ScreenInfo& other) const { return screen.id == other.screen.id; }

    // All displays, primary first, rebuilt on every call.
    static std::vector<ScreenInfo> all();
    // The display holding the largest part of the window; the primary when none does.
    static std::optional<ScreenInfo> containing(const Rect& windowFrame);
    // The first display whose frame, grown by 1 point, contains the point.
    static std::optional<ScreenInfo> containing(Point point);
    // Whether another display adjoins the middle of this display's edge.
    bool hasNeighbor(RectEdge edge) const;
};

}  // namespace kelvra
