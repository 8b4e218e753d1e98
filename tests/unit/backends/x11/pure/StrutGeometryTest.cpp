#include "backends/x11/pure/StrutGeometry.h"

#include <gtest/gtest.h>

using kelvra::Rect;
using kelvra::x11::Strut;
using kelvra::x11::visibleFrameOf;
using kelvra::x11::workAreaPartOf;

namespace {

// Two 1920x1080 monitors side by side, the second one lower by 200 pixels.
const Rect left(0, 0, 1920, 1080);
const Rect right(1920, 200, 1920, 1080);
const Rect root(0, 0, 3840, 1280);

Strut partial(std::initializer_list<long> values) {
    long v[12] = {};
    std::copy(values.begin(), values.end(), v);
    return Strut::partial(v);
}

}  // namespace

TEST(StrutGeometry, PanelsReduceOnlyTheMonitorTheySitOn) {
    // A top panel of 30 over the left monitor, a bottom panel of 40 over the right one
    // (measured from the root's bottom edge, which is the right monitor's bottom).
    std::vector<Strut> struts = {partial({0, 0, 30, 0, 0, 0, 0, 0, 0, 1919, 0, 0}),
                                 partial({0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 1920, 3839})};
    EXPECT_EQ(visibleFrameOf(left, root, struts), Rect(0, 30, 1920, 1050));
    EXPECT_EQ(visibleFrameOf(right, root, struts), Rect(1920, 200, 1920, 1040));
}

TEST(StrutGeometry, LeftStrutReachingAcrossAMonitorAppliesWhereItsInnerEdgeIs) {
    // A dock on the right monitor's left edge must reserve from the root's left edge.
    std::vector<Strut> struts = {partial({1968, 0, 0, 0, 200, 1279, 0, 0, 0, 0, 0, 0})};
    EXPECT_EQ(visibleFrameOf(left, root, struts), left);
    EXPECT_EQ(visibleFrameOf(right, root, struts), Rect(1968, 200, 1872, 1080));
}

TEST(StrutGeometry, SpanOutsideTheMonitorLeavesItAlone) {
    // A right-edge strut spanning only rows 0..150: above the right monitor.
    std::vector<Strut> struts = {partial({0, 50, 0, 0, 0, 0, 0, 150, 0, 0, 0, 0})};
    EXPECT_EQ(visibleFrameOf(right, root, struts), right);
    struts = {partial({0, 50, 0, 0, 0, 0, 0, 200, 0, 0, 0, 0})};  // touches its first row
    EXPECT_EQ(visibleFrameOf(right, root, struts), Rect(1920, 200, 1870, 1080));
}

TEST(StrutGeometry, RightDockOnTheRightMonitorLeavesTheLeftOneAlone) {
    // Measured from the root's right edge, not the edge of the monitor it is tested on;
    // both struts' spans reach the left monitor's rows.
    long old[4] = {0, 60, 0, 0};
    for (const Strut& dock :
         {partial({0, 60, 0, 0, 0, 0, 200, 1279, 0, 0, 0, 0}), Strut::full(old, root)}) {
        EXPECT_EQ(visibleFrameOf(left, root, {dock}), left);
        EXPECT_EQ(visibleFrameOf(right, root, {dock}), Rect(1920, 200, 1860, 1080));
    }
}

TEST(StrutGeometry, OldStyleStrutCoversTheWholeEdge) {
    long v[4] = {0, 0, 25, 0};
    std::vector<Strut> struts = {Strut::full(v, root)};
    EXPECT_EQ(visibleFrameOf(left, root, struts), Rect(0, 25, 1920, 1055));
    // The top strut's inner edge (25) is above the right monitor (starts at 200).
    EXPECT_EQ(visibleFrameOf(right, root, struts), right);
}

TEST(StrutGeometry, OverlappingPanelsKeepTheLargerAndNeverEmptyTheMonitor) {
    std::vector<Strut> struts = {partial({0, 0, 30, 0, 0, 0, 0, 0, 0, 1919, 0, 0}),
                                 partial({0, 0, 50, 0, 0, 0, 0, 0, 0, 100, 0, 0})};
    EXPECT_EQ(visibleFrameOf(left, root, struts), Rect(0, 50, 1920, 1030));
    // A broken strut that would leave nothing is ignored.
    struts = {partial({0, 0, 1079, 0, 0, 0, 0, 0, 0, 1919, 0, 0}),
              partial({0, 0, 0, 1000, 0, 0, 0, 0, 0, 0, 0, 1919})};
    EXPECT_EQ(visibleFrameOf(Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080), struts),
              Rect(0, 0, 1920, 1080));
}

// A manager's own panel shows only in its work area: one rectangle over the whole root.
TEST(StrutGeometry, WorkAreaCutsAMonitorOnlyFromTheRootEdgesItLiesOn) {
    const struct {
        const char* what;
        Rect monitor, root, workArea, expected;
    } cases[] = {
        {"a taskbar along the bottom of the only monitor", Rect(0, 0, 1440, 900),
         Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 874), Rect(0, 0, 1440, 874)},
        {"a toolbar at the top", Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 900),
         Rect(0, 20, 1440, 880), Rect(0, 20, 1440, 880)},
        // The left monitor's bottom is not the root's: the lower right one decides it.
        {"the bottom edge on a shorter neighbour", left, root, Rect(0, 0, 3840, 1254), left},
        {"the bottom edge on the monitor that reaches it", right, root, Rect(0, 0, 3840, 1254),
         Rect(1920, 200, 1920, 1054)},
        // Seen from the right monitor the work area's left edge is on another monitor.
        {"a panel on the left of the left monitor", right, root, Rect(40, 0, 3800, 1280), right},
        {"the same panel on its own monitor", left, root, Rect(40, 0, 3800, 1280),
         Rect(40, 0, 1880, 1080)},
        {"a bottom edge below the monitor", left, root, Rect(0, 0, 3840, 1100), left},
        {"a work area that leaves nothing", left, root, Rect(0, 0, 3840, 0), left},
    };
    for (const auto& c : cases)
        EXPECT_EQ(workAreaPartOf(c.monitor, c.root, c.workArea), c.expected) << c.what;
}
