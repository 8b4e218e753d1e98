#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "backends/sim/SimDesktop.h"
#include "base/Animator.h"
#include "input/PreviewOverlay.h"
#include "settings/AppSettings.h"
#include "style/Theme.h"

namespace kelvra::test {
namespace {

using port::SurfaceKind;
constexpr double frameTime = Animator::frameInterval;

void expectNear(const Rect& a, const Rect& b) {
    EXPECT_TRUE(a.approximatelyEquals(b, 1e-6)) << a << " vs " << b;
}

class PreviewOverlayTest : public ::testing::Test {
  public:
    sim::SimSurfaces::State preview() {
        auto state = desktop.surfaces().find(SurfaceKind::overlay);
        EXPECT_TRUE(state);
        return state.value_or(sim::SimSurfaces::State{});
    }
    sim::VirtualRunLoop& loop() { return desktop.runLoop(); }
    // Shows `frame` and lets the appearance finish.
    void showAndSettle(const Rect& frame) {
        overlay.show(frame);
        loop().advance(1);
    }

    sim::SimDesktop desktop;
    bool installed = (desktop.install(), true);
    AppSettings settings{desktop.defaults()};
    PreviewOverlay overlay{settings};
    const Rect left{0, 25, 716, 875};
    const Rect right{724, 25, 716, 875};
    const Rect above{0, -900, 720, 900};  // above the primary screen: crosses unchanged
};

TEST_F(PreviewOverlayTest, FirstShowGrowsAndFadesInOverTheAppearTime) {
    overlay.hide();  // nothing shown yet: nothing to do
    EXPECT_TRUE(desktop.surfaces().all().empty() && loop().activeTimers() == 0);
    overlay.show(left);
    Rect start(left.x + 0.0175 * left.width, left.y + 0.0175 * left.height, 0.965 * left.width,
               0.965 * left.height);
    EXPECT_TRUE(preview().visible && preview().opacity == 0);
    expectNear(preview().frame, start);

    // Each tick shows the eased state for the time since the show.
    for (int tick = 1; tick <= 9; ++tick) {
        SCOPED_TRACE(tick);
        loop().advance(frameTime);
        double p = Theme::easeOut.value(std::min(1.0, tick * frameTime / 0.14));
        EXPECT_NEAR(preview().opacity, p, 1e-6);
        expectNear(preview().frame, lerp(start, left, p));
    }
    EXPECT_EQ(std::pair(preview().opacity, preview().frame), std::pair(1.0, left));
    EXPECT_EQ(loop().activeTimers(), 0u);
}

TEST_F(PreviewOverlayTest, MovingToAnotherZoneGlidesWithTheStandardCurve) {
    showAndSettle(left);
    overlay.show(right);
    for (int tick = 1; tick <= 14; ++tick) {
        SCOPED_TRACE(tick);
        loop().advance(frameTime);
        double p = Theme::easeStandard.value(std::min(1.0, tick * frameTime / 0.22));
        expectNear(preview().frame, lerp(left, right, p));
        EXPECT_TRUE(preview().opacity == 1.0 && preview().visible);
    }
    EXPECT_EQ(preview().frame, right);
    EXPECT_EQ(loop().activeTimers(), 0u);
    EXPECT_EQ(desktop.surfaces().all().size(), 1u);  // the one surface, kept
}

TEST_F(PreviewOverlayTest, HideFadesOutOnceThenHidesTheSurface) {
    showAndSettle(left);
    overlay.hide();
    double previous = 1.0;
    for (int tick = 1; tick <= 5; ++tick) {
        SCOPED_TRACE(tick);
        loop().advance(frameTime);
        EXPECT_LT(preview().opacity, previous);
        EXPECT_TRUE(preview().visible);
        previous = preview().opacity;
        overlay.hide();  // a second hide does not restart the fade
        EXPECT_EQ(preview().opacity, previous);
    }
    loop().advance(frameTime);  // 6/60 s > 0.09 s
    auto s = preview();
    EXPECT_TRUE(s.opacity == 0 && !s.visible && loop().activeTimers() == 0);
    overlay.hide();  // nothing left to hide: no new fade
    EXPECT_EQ(preview().opacityChanges, s.opacityChanges);
    EXPECT_EQ(loop().activeTimers(), 0u);
}

// Shown again while still fading out it glides back from where it is; once gone it
// appears anew, growing from slightly smaller.
TEST_F(PreviewOverlayTest, ShowDuringTheFadeOutBringsThePreviewBackAndAfterItAppearsAnew) {
    showAndSettle(left);
    overlay.hide();
    loop().advance(0.03);
    ASSERT_GT(preview().opacity, 0.1);
    overlay.show(above);
    EXPECT_GT(preview().opacity, 0.1);
    loop().advance(1);
    EXPECT_EQ(std::tuple(preview().visible, preview().opacity, preview().frame),
              std::tuple(true, 1.0, above));

    overlay.hide();
    loop().advance(1);
    overlay.show(right);
    EXPECT_TRUE(preview().visible && preview().opacity == 0);
    EXPECT_LT(preview().frame.width, right.width);
    loop().advance(1);
    EXPECT_EQ(preview().frame, right);
}

TEST_F(PreviewOverlayTest, EachShowTakesTheOpacitySettingForTheFillOnly) {
    showAndSettle(left);
    EXPECT_EQ(std::get<port::OverlayModel>(preview().model).fill.alpha, 0.18);
    settings.overlayOpacity.set(0.0);
    EXPECT_EQ(std::get<port::OverlayModel>(preview().model).fill.alpha, 0.18);  // not yet
    overlay.show(right);
    auto model = std::get<port::OverlayModel>(preview().model);
    EXPECT_EQ(std::pair(model.fill.alpha, model.border),
              std::pair(0.0, Theme::accent));  // edges stay
}

TEST_F(PreviewOverlayTest, DesktopWithoutSurfacesShowsNothing) {
    auto ports = desktop.ports();
    ports.surfaces = nullptr;
    installPlatform(ports);
    overlay.show(left);
    overlay.hide();
    loop().advance(1);
    EXPECT_EQ(desktop.surfaces().all().size(), 0u);
    EXPECT_EQ(loop().activeTimers(), 0u);
}

}  // namespace
}  // namespace kelvra::test
