#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "input/PreviewOverlay.h"
#include "platform/sim/SimDesktop.h"
#include "settings/AppSettings.h"
#include "ui/Animator.h"
#include "ui/Theme.h"

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
};

TEST_F(PreviewOverlayTest, FirstShowGrowsAndFadesInOverTheAppearTime) {
    overlay.show(left);
    Rect start(left.x + 0.0175 * left.width, left.y + 0.0175 * left.height, 0.965 * left.width,
               0.965 * left.height);
    auto s = preview();
    EXPECT_TRUE(s.visible);
    EXPECT_EQ(s.opacity, 0);
    expectNear(s.frame, start);

    // Each tick shows the eased state for the time since the show.
    for (int tick = 1; tick <= 9; ++tick) {
        SCOPED_TRACE(tick);
        loop().advance(frameTime);
        double p = Theme::easeOut.value(std::min(1.0, tick * frameTime / 0.14));
        s = preview();
        EXPECT_NEAR(s.opacity, p, 1e-6);
        expectNear(s.frame, lerp(start, left, p));
    }
    EXPECT_EQ(preview().opacity, 1.0);
    EXPECT_EQ(preview().frame, left);
    EXPECT_EQ(loop().activeTimers(), 0u);
}

TEST_F(PreviewOverlayTest, MovingToAnotherZoneGlidesWithTheStandardCurve) {
    showAndSettle(left);
    overlay.show(right);
    for (int tick = 1; tick <= 14; ++tick) {
        SCOPED_TRACE(tick);
        loop().advance(frameTime);
        double p = Theme::easeStandard.value(std::min(1.0, tick * frameTime / 0.22));
        auto s = preview();
        expectNear(s.frame, lerp(left, right, p));
        EXPECT_EQ(s.opacity, 1.0);
        EXPECT_TRUE(s.visible);
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
        auto s = preview();
        EXPECT_LT(s.opacity, previous);
        EXPECT_TRUE(s.visible);
        previous = s.opacity;
        overlay.hide();  // a second hide does not restart the fade
        EXPECT_EQ(preview().opacity, previous);
    }
    loop().advance(frameTime);  // 6/60 s > 0.09 s
    auto s = preview();
    EXPECT_EQ(s.opacity, 0);
    EXPECT_FALSE(s.visible);
    EXPECT_EQ(loop().activeTimers(), 0u);
}

TEST_F(PreviewOverlayTest, HideWithoutAPreviewDoesNothing) {
    struct Case {
        const char* name;
        std::function<void(PreviewOverlayTest&)> before;
    };
    std::vector<Case> cases = {
        {"before any show", [](PreviewOverlayTest&) {}},
        {"after the fade-out ended",
         [](PreviewOverlayTest& t) {
             t.showAndSettle(t.left);
             t.overlay.hide();
             t.loop().advance(1);
         }},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.before(*this);
        auto before = desktop.surfaces().all();
        overlay.hide();
        EXPECT_EQ(loop().activeTimers(), 0u);
        auto after = desktop.surfaces().all();
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(after[i].opacityChanges, before[i].opacityChanges);
            EXPECT_EQ(after[i].visible, before[i].visible);
        }
    }
}

TEST_F(PreviewOverlayTest, ShowDuringTheFadeOutBringsThePreviewBack) {
    showAndSettle(left);
    overlay.hide();
    loop().advance(0.03);
    ASSERT_GT(preview().opacity, 0.1);    // still clearly visible: it glides
    const Rect above{0, -900, 720, 900};  // above the primary screen: crosses unchanged
    overlay.show(above);
    loop().advance(1);
    auto s = preview();
    EXPECT_TRUE(s.visible);
    EXPECT_EQ(s.opacity, 1.0);
    EXPECT_EQ(s.frame, above);
}

TEST_F(PreviewOverlayTest, ShowAfterTheFadeOutAppearsAnew) {
    showAndSettle(left);
    overlay.hide();
    loop().advance(1);
    overlay.show(right);
    auto s = preview();
    EXPECT_TRUE(s.visible);
    EXPECT_EQ(s.opacity, 0);
    EXPECT_LT(s.frame.width, right.width);
    loop().advance(1);
    EXPECT_EQ(preview().frame, right);
}

TEST_F(PreviewOverlayTest, PaintsTheAccentWithTheOpacitySettingOfEachShow) {
    showAndSettle(left);
    auto model = std::get<port::OverlayModel>(preview().model);
    EXPECT_EQ(model.fill, Theme::withAlpha(Theme::accent, 0.18));
    EXPECT_EQ(model.border, Theme::accent);
    EXPECT_EQ(model.cornerRadius, 10);
    EXPECT_EQ(model.borderWidth, 1.5);

    settings.overlayOpacity.set(0.0);
    EXPECT_EQ(std::get<port::OverlayModel>(preview().model).fill.alpha, 0.18);  // not yet
    overlay.show(right);
    model = std::get<port::OverlayModel>(preview().model);
    EXPECT_EQ(model.fill.alpha, 0.0);
    EXPECT_EQ(model.border, Theme::accent);  // the edges stay
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
