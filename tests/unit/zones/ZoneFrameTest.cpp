#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/ZoneID.h"

namespace kelvra {
namespace {

const Rect visible(0, 25, 1440, 875);

void expectRect(const Rect& actual, const Rect& expected) {
    EXPECT_DOUBLE_EQ(actual.x, expected.x) << actual;
    EXPECT_DOUBLE_EQ(actual.y, expected.y) << actual;
    EXPECT_DOUBLE_EQ(actual.width, expected.width) << actual;
    EXPECT_DOUBLE_EQ(actual.height, expected.height) << actual;
}

TEST(ZoneFrame, GapSplitsBetweenNeighboursOnly) {
    using enum ZoneID;
    expectRect(frame(leftHalf, visible, 10, 0), {0, 25, 715, 875});
    expectRect(frame(rightHalf, visible, 10, 0), {725, 25, 715, 875});
    expectRect(frame(leftThird, visible, 10, 0), {0, 25, 475, 875});
    expectRect(frame(centerThird, visible, 10, 0), {485, 25, 470, 875});
    expectRect(frame(rightThird, visible, 10, 0), {965, 25, 475, 875});
    expectRect(frame(centerTwoThirds, visible, 10, 0), {245, 25, 950, 875});
    expectRect(frame(bottomRightQuarter, visible, 10, 0), {725, 467.5, 715, 432.5});
    expectRect(frame(topLeftQuarter, visible, 10, 0), {0, 25, 715, 432.5});
    // Zones touching every side of the area get no gap at all.
    expectRect(frame(maximize, visible, 10, 0), visible);
    expectRect(frame(center, visible, 10, 0), visible);
    // Almost-maximize ignores the gap and keeps a 5 % margin of the area.
    expectRect(frame(almostMaximize, visible, 10, 0), {72, 68.75, 1296, 787.5});
    expectRect(frame(almostMaximize, visible, 500, 0), {72, 68.75, 1296, 787.5});
}

TEST(ZoneFrame, PaddingShrinksTheAreaFirstAndIsNotRounded) {
    expectRect(frame(ZoneID::leftHalf, visible, 10, 8), {8, 33, 707, 859});
    expectRect(frame(ZoneID::leftThird, visible, 10, 8), {8, 33, 1424.0 / 3.0 - 5, 859});
    expectRect(frame(ZoneID::maximize, visible, 10, 8), {8, 33, 1424, 859});
}

TEST(ZoneFrame, WithoutGapThirdsAndHalvesTileTheArea) {
    const Rect r(13, 7, 1000, 777);
    Rect l = frame(ZoneID::leftThird, r, 0, 0);
    Rect c = frame(ZoneID::centerThird, r, 0, 0);
    Rect rt = frame(ZoneID::rightThird, r, 0, 0);
    EXPECT_DOUBLE_EQ(l.minX(), r.minX());
    EXPECT_DOUBLE_EQ(l.maxX(), c.minX());
    EXPECT_DOUBLE_EQ(c.maxX(), rt.minX());
    EXPECT_DOUBLE_EQ(rt.maxX(), r.maxX());
    for (Rect z : {l, c, rt}) {
        EXPECT_EQ(z.minY(), r.minY());
        EXPECT_EQ(z.height, r.height);
    }
    Rect top = frame(ZoneID::topHalf, r, 0, 0);
    Rect bottom = frame(ZoneID::bottomHalf, r, 0, 0);
    EXPECT_DOUBLE_EQ(top.maxY(), bottom.minY());
    EXPECT_DOUBLE_EQ(bottom.maxY(), r.maxY());
}

TEST(ZoneFrame, NoFrameWhenThereIsNoRoom) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // Padding over half the height leaves no area.
    EXPECT_TRUE(frame(ZoneID::leftHalf, visible, 10, 440).isNull());
    EXPECT_TRUE(frame(ZoneID::almostMaximize, visible, 10, 800).isNull());
    EXPECT_TRUE(frame(ZoneID::maximize, visible, 0, nan).isNull());
    EXPECT_TRUE(frame(ZoneID::leftHalf, Rect(0, 0, inf, 900), 0, 0).isNull());
    EXPECT_TRUE(frame(ZoneID::leftHalf, visible, nan, 0).isNull());
    EXPECT_TRUE(frame(ZoneID::leftHalf, Rect::null(), 0, 0).isNull());
    // A gap wider than the zone would give a negative width.
    EXPECT_TRUE(frame(ZoneID::centerThird, visible, 1000, 0).isNull());
    // Just inside the limit there is still a frame.
    EXPECT_FALSE(frame(ZoneID::leftHalf, visible, 0, 437).isEmpty());
}

}  // namespace
}  // namespace kelvra
