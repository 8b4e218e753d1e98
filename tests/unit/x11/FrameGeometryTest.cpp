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

TEST(FrameGeometry, GrantedSizeFollowsTheClientsRules) {
    SizeHints terminal;  // character cells of 6x13 above a 4-pixel border
    terminal.baseWidth = 4;
    terminal.baseHeight = 4;
    terminal.minWidth = 10;
    terminal.minHeight = 17;
    terminal.widthIncrement = 6;
    terminal.heightIncrement = 13;
    EXPECT_EQ(constrainedSize({500, 300}, terminal), (kelvra::Size{496, 290}));
    EXPECT_EQ(constrainedSize({496, 290}, terminal), (kelvra::Size{496, 290}));
    EXPECT_EQ(constrainedSize({1, 1}, terminal), (kelvra::Size{10, 17}));

    SizeHints bounded;  // no base size: the minimum is where increments count from
    bounded.minWidth = 200;
    bounded.minHeight = 150;
    bounded.maxWidth = 800;
    bounded.maxHeight = 600;
    bounded.widthIncrement = 10;
    bounded.heightIncrement = 20;
    EXPECT_EQ(constrainedSize({633, 411}, bounded), (kelvra::Size{630, 410}));
    EXPECT_EQ(constrainedSize({5000, 5000}, bounded), (kelvra::Size{800, 590}));
    EXPECT_EQ(constrainedSize({640, 480}, SizeHints{}), (kelvra::Size{640, 480}));
}
