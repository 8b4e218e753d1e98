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

TEST_F(TwoScreenTest, NextDisplayMapsUnsnappedWindowsProportionally) {
    AXWindow w = window({0, 25, 720, 875});
    engine->moveToNextDisplay(w);
    EXPECT_EQ(frameOf(w), Rect(1440, 0, 960, 1040));
    engine->moveToNextDisplay(w);  // from the rightmost screen back to the leftmost
    EXPECT_EQ(frameOf(w), Rect(0, 25, 720, 875));
    EXPECT_EQ(stackDepth(w), 0u);
    EXPECT_TRUE(engine->snappedWindows.empty());
    EXPECT_TRUE(events.empty());
}

TEST_F(TwoScreenTest, NextDisplayKeepsTheZoneOfSnappedWindows) {
    AXWindow w = window();
    engine->snap(w, ZoneID::rightThird, screen(0));
    engine->moveToNextDisplay(w);
    EXPECT_EQ(snappedZone(w), ZoneID::rightThird);
    EXPECT_EQ(frameOf(w), frame(ZoneID::rightThird, screen(1).visible, 10, 0));
    EXPECT_EQ(lastSnapScreen, screen(1).screen.id);
    engine->moveToNextDisplay(w);
    EXPECT_EQ(frameOf(w), Rect(965, 25, 475, 875));
    EXPECT_EQ(stackDepth(w), 1u);
    engine->restore(w);
    EXPECT_EQ(frameOf(w), Rect(100, 100, 800, 600));
}

TEST_F(SnapEngineTest, NextDisplayWithOneScreenDoesNothing) {
    AXWindow w = window();
    engine->moveToNextDisplay(w);
    EXPECT_EQ(frameOf(w), Rect(100, 100, 800, 600));
}

TEST_F(SnapEngineTest, HitTestEdgesAndCorners) {
    using enum ZoneID;
    auto zoneAt = [&](double x, double y) -> std::optional<ZoneID> {
        auto hit = engine->hitTest({x, y}, screen());
        return hit ? std::optional(hit->zone) : std::nullopt;
    };
    // Corner priority on (the default): corner squares and the outer thirds of the sides.
    EXPECT_EQ(zoneAt(20, 20), topLeftQuarter);
    EXPECT_EQ(zoneAt(1416, 20), topRightQuarter);
    EXPECT_EQ(zoneAt(24, 876), bottomLeftQuarter);
    EXPECT_EQ(zoneAt(1439, 899), bottomRightQuarter);
    EXPECT_EQ(zoneAt(8, 100), topLeftQuarter);
    EXPECT_EQ(zoneAt(8, 300), leftHalf);  // the band is strict: 300 is not < 300
    EXPECT_EQ(zoneAt(1435, 700), bottomRightQuarter);
    EXPECT_EQ(zoneAt(1432, 450), rightHalf);
    EXPECT_EQ(zoneAt(8.5, 450), std::nullopt);
    EXPECT_EQ(zoneAt(720, 450), std::nullopt);
    EXPECT_EQ(zoneAt(720, 895), bottomHalf);

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
