#include <tuple>

#include "SnapEngineTestSupport.h"

namespace kelvra::test {
namespace {

// A second, larger screen to the right of the primary.
class TwoScreenTest : public SnapEngineTest {
  protected:
    void SetUp() override {
        SnapEngineTest::SetUp();
        desktop.addScreenTopLeft({1440, 0, 1920, 1080}, {1440, 0, 1920, 1040});
    }
};

// Unsnapped windows keep their relative place, snapped ones their zone; past the last
// screen comes the first again.
TEST_F(TwoScreenTest, NextDisplayKeepsTheRelativePlaceOrTheZone) {
    WindowHandle w = window({0, 25, 720, 875});
    engine->moveToNextDisplay(w);
    EXPECT_EQ(frameOf(w), Rect(1440, 0, 960, 1040));
    engine->moveToNextDisplay(w);
    EXPECT_EQ(frameOf(w), Rect(0, 25, 720, 875));
    EXPECT_EQ(stackDepth(w), 0u);
    EXPECT_TRUE(engine->snappedWindows.empty());
    EXPECT_TRUE(events.empty());

    WindowHandle s = window();
    engine->snap(s, ZoneID::rightThird, screen(0));
    engine->moveToNextDisplay(s);
    EXPECT_EQ(snappedZone(s), ZoneID::rightThird);
    EXPECT_EQ(frameOf(s), frame(ZoneID::rightThird, screen(1).visible, 10, 0));
    EXPECT_EQ(lastSnapScreen, screen(1).screen.id);
    engine->moveToNextDisplay(s);
    EXPECT_EQ(frameOf(s), Rect(965, 25, 475, 875));
    EXPECT_EQ(stackDepth(s), 1u);
    engine->restore(s);
    EXPECT_EQ(frameOf(s), Rect(100, 100, 800, 600));
}

TEST_F(SnapEngineTest, HitTestEdgesAndCorners) {
    using enum ZoneID;
    auto zoneAt = [&](double x, double y) -> std::optional<ZoneID> {
        auto hit = engine->hitTest({x, y}, screen());
        return hit ? std::optional(hit->zone) : std::nullopt;
    };
    // Corner priority on (the default): corner squares and the outer thirds of the sides.
    const std::vector<std::tuple<double, double, std::optional<ZoneID>>> cases = {
        {20, 20, topLeftQuarter},
        {1416, 20, topRightQuarter},
        {24, 876, bottomLeftQuarter},
        {1439, 899, bottomRightQuarter},
        {8, 100, topLeftQuarter},
        {8, 300, leftHalf},  // the band is strict: 300 is not < 300
        {1435, 700, bottomRightQuarter},
        {1432, 450, rightHalf},
        {8.5, 450, std::nullopt},
        {720, 450, std::nullopt},
        {720, 895, bottomHalf},
    };
    for (const auto& [x, y, zone] : cases) EXPECT_EQ(zoneAt(x, y), zone) << x << "," << y;
    settings->cornerQuarterPriority.set(false);
    EXPECT_EQ(zoneAt(20, 20), std::nullopt);
    EXPECT_EQ(zoneAt(4, 4), leftHalf);
    EXPECT_EQ(zoneAt(1439, 899), rightHalf);
    for (double y = 0; y <= 900; y += 50) {
        for (double x : {0.0, 4.0, 1436.0, 1440.0}) {
            auto z = zoneAt(x, y);
            EXPECT_TRUE(z == leftHalf || z == rightHalf) << x << "," << y;
        }
    }

    EXPECT_EQ(zoneAt(720, 8), topHalf);  // default top-edge action
    settings->topEdgeAction.set(TopEdgeAction::maximize);
    EXPECT_EQ(zoneAt(720, 8), maximize);
    settings->topEdgeAction.set(TopEdgeAction::off);
    EXPECT_EQ(zoneAt(720, 8), std::nullopt);
}

TEST_F(TwoScreenTest, HitTestAsksForDwellOnlyAtEdgesSharedWithAnotherScreen) {
    auto hit = [&](double x, double y) { return engine->hitTest({x, y}, screen(0)); };
    EXPECT_EQ(hit(1436, 450), (SnapEngine::HitTestResult{ZoneID::rightHalf, true}));
    EXPECT_EQ(hit(1430, 10), (SnapEngine::HitTestResult{ZoneID::topRightQuarter, true}));
    EXPECT_EQ(hit(4, 450), (SnapEngine::HitTestResult{ZoneID::leftHalf, false}));
    EXPECT_EQ(hit(720, 4), (SnapEngine::HitTestResult{ZoneID::topHalf, false}));
    EXPECT_EQ(hit(720, 896), (SnapEngine::HitTestResult{ZoneID::bottomHalf, false}));
    // From the right screen, its left edge is the shared one.
    EXPECT_EQ(engine->hitTest({1444, 540}, screen(1)),
              (SnapEngine::HitTestResult{ZoneID::leftHalf, true}));
}

}  // namespace
}  // namespace kelvra::test
