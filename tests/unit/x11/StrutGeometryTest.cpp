#include "platform/x11/pure/StrutGeometry.h"

#include <gtest/gtest.h>

using kelvra::Rect;
using kelvra::x11::Strut;
using kelvra::x11::visibleFrameOf;

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
