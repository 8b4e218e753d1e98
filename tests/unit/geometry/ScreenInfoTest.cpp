#include <gtest/gtest.h>

#include <limits>

#include "backends/sim/SimDesktop.h"
#include "geometry/Coord.h"
#include "geometry/ScreenInfo.h"

namespace kelvra {
namespace {

// A 1440 x 900 primary with a 25-point menu bar, and a 1920 x 1080 screen to its
// right whose bottom sits 100 points above the primary's bottom.
class ScreenInfoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desk.install();
        primary = desk.addScreen({0, 0, 1440, 900}, {0, 0, 1440, 875});
        second = desk.addScreen({1440, 100, 1920, 1080}, {1440, 100, 1920, 1080});
    }
    uint64_t screenOf(const Rect& window) { return ScreenInfo::containing(window)->screen.id; }
    std::optional<uint64_t> screenAt(Point p) {
        auto s = ScreenInfo::containing(p);
        return s ? std::optional(s->screen.id) : std::nullopt;
    }

    sim::SimDesktop desk;
    uint64_t primary = 0;
    uint64_t second = 0;
};

TEST_F(ScreenInfoTest, ConvertsPlatformFramesToTheTopLeftSpace) {
    auto all = ScreenInfo::all();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].screen.id, primary);
    EXPECT_EQ(all[0].frame, Rect(0, 0, 1440, 900));
    EXPECT_EQ(all[0].visible, Rect(0, 25, 1440, 875));
    // Above the primary's top edge means negative y.
    EXPECT_EQ(all[1].frame, Rect(1440, -280, 1920, 1080));

    Rect r(12.5, -40, 300, 200);
    EXPECT_EQ(Coord::bottomLeftRect(Coord::bottomLeftRect(r)), r);
    EXPECT_TRUE(Coord::bottomLeftRect(Rect::null()).isNull());

    // Every call reflects the current arrangement.
    desk.setScreenFrames(primary, {0, 0, 1280, 800}, {0, 0, 1280, 800});
    EXPECT_EQ(ScreenInfo::all()[1].frame, Rect(1440, -380, 1920, 1080));
}

TEST_F(ScreenInfoTest, WindowsBelongToTheScreenHoldingMostOfThemAndPointsToTheNearest) {
    EXPECT_EQ(screenOf({1440 - 400, 0, 1000, 400}), second);   // 60 % on the second
    EXPECT_EQ(screenOf({1440 - 500, 0, 1000, 400}), primary);  // a tie goes to the first
    EXPECT_EQ(screenOf({9000, 9000, 100, 100}), primary);      // off every screen
    EXPECT_EQ(screenOf({1440, 0, 0, 0}), primary);             // no area anywhere
    EXPECT_EQ(screenOf({1440, 100, 10, 10}), second);          // only touches the primary

    // Points within one point of a screen belong to it.
    EXPECT_EQ(screenAt({-0.5, 450}), primary);
    EXPECT_EQ(screenAt({1440, 450}), primary);  // shared border: the earlier screen
    EXPECT_EQ(screenAt({1442, 450}), second);
    EXPECT_EQ(screenAt({3361, 0}), std::nullopt);  // maxX + 1 of the second
    EXPECT_EQ(screenAt({3360.5, 0}), second);
    EXPECT_EQ(screenAt({700, -2}), std::nullopt);

    // A tie goes to whichever screen comes first.
    desk.setScreenOrder({second, primary});
    EXPECT_EQ(screenOf({1440 - 500, 0, 1000, 400}), second);
}

TEST_F(ScreenInfoTest, NeighboursAreProbedAtTheMiddleOfAnEdge) {
    auto all = ScreenInfo::all();
    EXPECT_TRUE(all[0].hasNeighbor(RectEdge::maxXEdge));
    EXPECT_FALSE(all[0].hasNeighbor(RectEdge::minXEdge));
    EXPECT_FALSE(all[0].hasNeighbor(RectEdge::minYEdge));
    EXPECT_TRUE(all[1].hasNeighbor(RectEdge::minXEdge));

    // A screen adjoining only the left end of the bottom edge is not seen.
    desk.addScreen({0, -300, 400, 300}, {0, -300, 400, 300});
    EXPECT_FALSE(ScreenInfo::all()[0].hasNeighbor(RectEdge::maxYEdge));
}

TEST(ScreenInfoWithoutScreens, AnswersNothing) {
    sim::SimDesktop desk;
    desk.install();
    EXPECT_TRUE(ScreenInfo::all().empty());
    EXPECT_FALSE(ScreenInfo::containing(Rect(0, 0, 10, 10)));
    EXPECT_FALSE(ScreenInfo::containing(Point{0, 0}));
    EXPECT_EQ(Coord::bottomLeftRect({0, 10, 5, 5}), Rect(0, -15, 5, 5));
}

// The X11 backend accepts a window manager's answer within a tolerance, inclusive; a NaN
// on either side, or as the tolerance, is never equal.
TEST(RectTest, ApproximateEqualityIsInclusiveAndNeverHoldsForNaN) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Rect a(100, 100, 500, 400);
    EXPECT_TRUE(a.approximatelyEquals({102.5, 100, 500, 400}, 2.5));
    EXPECT_FALSE(a.approximatelyEquals({100, 100, 500, 402.6}, 2.5));
    EXPECT_FALSE(a.approximatelyEquals({100, 97.4, 500, 400}, 2.5));
    const Rect withNaN[] = {
        {nan, 100, 500, 400}, {100, nan, 500, 400}, {100, 100, nan, 400}, {100, 100, 500, nan}};
    for (const Rect& b : withNaN) {
        SCOPED_TRACE(testing::Message() << b);
        EXPECT_FALSE(a.approximatelyEquals(b, 1e9));
        EXPECT_FALSE(b.approximatelyEquals(a, 1e9));
        EXPECT_FALSE(b.approximatelyEquals(b, 1e9));
    }
    EXPECT_FALSE(a.approximatelyEquals(a, nan));
}

}  // namespace
}  // namespace kelvra
