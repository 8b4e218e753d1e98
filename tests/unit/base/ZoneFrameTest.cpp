#include <gtest/gtest.h>

#include <limits>

#include "base/ZoneID.h"

namespace kelvra {
namespace {

const Rect visible(0, 25, 1440, 875);

TEST(ZoneFrame, EveryZoneSplitsTheGapBetweenNeighboursOnlyAfterPadding) {
    using enum ZoneID;
    struct Case {
        ZoneID zone;
        double gap, padding;
        Rect expected;
    };
    const Case cases[] = {
        {leftHalf, 10, 0, {0, 25, 715, 875}},
        {rightHalf, 10, 0, {725, 25, 715, 875}},
        {topHalf, 10, 0, {0, 25, 1440, 432.5}},
        {bottomHalf, 10, 0, {0, 467.5, 1440, 432.5}},
        {topLeftQuarter, 10, 0, {0, 25, 715, 432.5}},
        {topRightQuarter, 10, 0, {725, 25, 715, 432.5}},
        {bottomLeftQuarter, 10, 0, {0, 467.5, 715, 432.5}},
        {bottomRightQuarter, 10, 0, {725, 467.5, 715, 432.5}},
        {leftThird, 10, 0, {0, 25, 475, 875}},
        {centerThird, 10, 0, {485, 25, 470, 875}},
        {rightThird, 10, 0, {965, 25, 475, 875}},
        {leftTwoThirds, 10, 0, {0, 25, 955, 875}},
        {rightTwoThirds, 10, 0, {485, 25, 955, 875}},
        {centerTwoThirds, 10, 0, {245, 25, 950, 875}},
        // Zones touching every side of the area get no gap at all.
        {maximize, 10, 0, visible},
        {center, 10, 0, visible},
        // Almost-maximize ignores the gap and keeps a 5 % margin of the area.
        {almostMaximize, 10, 0, {72, 68.75, 1296, 787.5}},
        {almostMaximize, 500, 0, {72, 68.75, 1296, 787.5}},
        // Padding shrinks the area first, and nothing is rounded.
        {leftHalf, 10, 8, {8, 33, 707, 859}},
        {leftThird, 10, 8, {8, 33, 1424.0 / 3.0 - 5, 859}},
        {maximize, 10, 8, {8, 33, 1424, 859}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(rawValue(c.zone)) + " padding " + std::to_string(c.padding));
        const Rect actual = frame(c.zone, visible, c.gap, c.padding);
        EXPECT_TRUE(actual.approximatelyEquals(c.expected, 1e-9)) << actual;
    }
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
