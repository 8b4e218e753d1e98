#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Rect.h"
#include "window/WindowHandle.h"

namespace kelvra {

// The direction of the line two linked windows share: a vertical line lies between a
// left and a right window (its position is an x), a horizontal one between an upper
// and a lower window (its position is a y).
enum class Orientation { vertical, horizontal };
const char* rawValue(Orientation orientation);

// A closed range lower...upper.
struct Span {
    double lower = 0;
    double upper = 0;
    double length() const { return upper - lower; }
    friend bool operator==(const Span&, const Span&) = default;
};

// A line two or more snapped windows share. Leading windows lie before it (their far
// side touches it), trailing windows after it.
struct SharedEdge {
    Orientation orientation = Orientation::vertical;
    double position = 0;  // the middle of the gap
    Span span;            // along the line: where both sides face each other
    std::vector<WindowHandle> leading;
    std::vector<WindowHandle> trailing;
    Span outerRange;  // across the line: from the nearest near side to the farthest far side
    bool isAggregate = false;

    // Names the edge by its direction and its windows, whatever their order, so a
    // divider survives rebuilds that find the same edge again.
    std::string identity() const;
    bool contains(const WindowHandle& window, bool inLeading) const;
};

// A window taking part in linking, with the frame it has and the full frame of the
// screen it was snapped on.
struct EdgeMember {
    WindowHandle window;
    Rect frame;
    Rect screenFrame;
};

// The edge between two windows side by side, when their facing sides are at most
// `tolerance` apart and they face each other over more than half the shorter one.
std::optional<SharedEdge> verticalEdge(const EdgeMember& a, const EdgeMember& b, double tolerance);
std::optional<SharedEdge> horizontalEdge(const EdgeMember& a, const EdgeMember& b,
                                         double tolerance);
// Two edges on one line (a 2 x 2 arrangement) become two shortened edges and a short
// handle where they meet that moves all four windows; when the pieces would be too
// short, the two edges come back unchanged, sorted along the line.
std::vector<SharedEdge> splitWithAggregate(std::vector<SharedEdge> pair);
// Every shared edge among the members: pairs on the same screen, edges within 8 points
// of each other on one line grouped, pairs of collinear edges split with an aggregate.
std::vector<SharedEdge> findSharedEdges(const std::vector<EdgeMember>& members, double windowGap);

// Sides of a frame across an edge of the orientation: the near side (minX or minY) and
// the far side (maxX or maxY), and a frame with one of them moved.
double nearSide(const Rect& frame, Orientation orientation);
double farSide(const Rect& frame, Orientation orientation);
Rect withNearSide(const Rect& frame, Orientation orientation, double side);
Rect withFarSide(const Rect& frame, Orientation orientation, double side);

}  // namespace kelvra
