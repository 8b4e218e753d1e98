#include "platform/x11/pure/FrameGeometry.h"

#include <gtest/gtest.h>

using kelvra::Rect;
using namespace kelvra::x11;

TEST(FrameGeometry, DecorationsAreAddedAndShadowsRemoved) {
    Rect client(100, 130, 800, 600);
    EXPECT_EQ(outerFrame(client, {4, 4, 26, 4}, {}), Rect(96, 104, 808, 630));
    // A client-decorated window: its shadows are inside the X window but not seen.
    EXPECT_EQ(outerFrame(client, {}, {20, 20, 15, 25}), Rect(120, 145, 760, 560));
}

TEST(FrameGeometry, RequestRoundTripsToTheAskedFrame) {
    const Rect target(10, 40, 960, 1040);
    for (Extents decorations : {Extents{}, Extents{4, 4, 26, 4}})
        for (Extents shadows : {Extents{}, Extents{20, 20, 15, 25}}) {
            MoveResizeRequest r = requestFor(target, decorations, shadows);
            // The manager puts the decorated frame's corner at (x, y): the client
            // sits inside the decorations from there.
            Rect client(r.x + decorations.left, r.y + decorations.top, r.width, r.height);
            EXPECT_EQ(outerFrame(client, decorations, shadows), target);
        }
}

TEST(FrameGeometry, RequestNeverAsksForAnEmptyWindow) {
    MoveResizeRequest r = requestFor(Rect(0, 0, 5, 5), {10, 10, 30, 10}, {});
    EXPECT_EQ(r.width, 1);
    EXPECT_EQ(r.height, 1);
}
