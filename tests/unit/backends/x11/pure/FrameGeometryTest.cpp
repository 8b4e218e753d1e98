#include "backends/x11/pure/FrameGeometry.h"

#include <gtest/gtest.h>

using kelvra::Rect;
using kelvra::Size;
using namespace kelvra::x11;

TEST(FrameGeometry, DecorationsAreAddedShadowsRemovedAndRequestsRoundTrip) {
    Rect client(100, 130, 800, 600);
    EXPECT_EQ(outerFrame(client, {4, 4, 26, 4}, {}), Rect(96, 104, 808, 630));
    // A client-decorated window: its shadows are inside the X window but not seen.
    EXPECT_EQ(outerFrame(client, {}, {20, 20, 15, 25}), Rect(120, 145, 760, 560));

    const Rect target(10, 40, 960, 1040);
    for (Extents decorations : {Extents{}, Extents{4, 4, 26, 4}})
        for (Extents shadows : {Extents{}, Extents{20, 20, 15, 25}}) {
            MoveResizeRequest r = requestFor(target, decorations, shadows);
            // The manager puts the decorated frame's corner at (x, y).
            Rect placed(r.x + decorations.left, r.y + decorations.top, r.width, r.height);
            EXPECT_EQ(outerFrame(placed, decorations, shadows), target);
        }
    MoveResizeRequest tiny = requestFor(Rect(0, 0, 5, 5), {10, 10, 30, 10}, {});
    EXPECT_EQ(Size(tiny.width, tiny.height), Size(1, 1)) << "never an empty window";
}

TEST(FrameGeometry, GrantedSizeFollowsTheClientsRules) {
    // {min, max, base, increment} sizes: character cells of 6x13 above a 4-pixel border;
    // without a base size the minimum is where increments count from.
    const SizeHints terminal{10, 17, 1e9, 1e9, 4, 4, 6, 13},
        bounded{200, 150, 800, 600, -1, -1, 10, 20};
    EXPECT_EQ(constrainedSize({500, 300}, terminal), Size(496, 290));
    EXPECT_EQ(constrainedSize({496, 290}, terminal), Size(496, 290));
    EXPECT_EQ(constrainedSize({1, 1}, terminal), Size(10, 17));
    EXPECT_EQ(constrainedSize({633, 411}, bounded), Size(630, 410));
    EXPECT_EQ(constrainedSize({5000, 5000}, bounded), Size(800, 590));
    EXPECT_EQ(constrainedSize({640, 480}, SizeHints{}), Size(640, 480));
}
