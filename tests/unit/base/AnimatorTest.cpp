#include <gtest/gtest.h>

#include <cmath>

#include "backends/sim/SimDesktop.h"
#include "base/Animator.h"
#include "style/Theme.h"

namespace kelvra::test {
namespace {

// The curve's y where its x is t, found by sampling the parametric form densely: an
// independent way to the value the solver must give.
double sampled(const CubicBezier& c, double t) {
    auto coord = [](double s, double p1, double p2) {
        return 3 * (1 - s) * (1 - s) * s * p1 + 3 * (1 - s) * s * s * p2 + s * s * s;
    };
    double best = 0, bestDistance = 2;
    for (int i = 0; i <= 200000; ++i) {
        double s = i / 200000.0, d = std::fabs(coord(s, c.x1, c.x2) - t);
        if (d < bestDistance) bestDistance = d, best = coord(s, c.y1, c.y2);
    }
    return best;
}

TEST(EasingTest, CurvesFollowTheirControlPoints) {
    for (const auto& curve :
         {Theme::easeStandard, Theme::easeOut, Theme::easeInOut, CubicBezier{0, 1, 0, 1}}) {
        SCOPED_TRACE(::testing::Message() << curve.x1 << "," << curve.y1 << "," << curve.x2);
        for (double t : {-0.5, 0.0, 1.0, 1.5}) EXPECT_EQ(curve.value(t), t < 0.5 ? 0 : 1) << t;
        double previous = 0;
        for (double t : {0.01, 0.1, 0.25, 0.5, 0.75, 0.9, 0.99}) {
            EXPECT_NEAR(curve.value(t), sampled(curve, t), 2e-4) << "at " << t;
            EXPECT_GE(curve.value(t), previous) << "at " << t;
            previous = curve.value(t);
        }
    }
}

// The overlay, picker and divider tests follow whole transitions on the clock; here what
// they do not reach: a cancelled transition never completes and stops the timer, and a
// zero-length one completes at once.
TEST(AnimatorTest, CancelStopsWithoutCompletionAndZeroDurationCompletesAtOnce) {
    sim::SimDesktop desktop;
    desktop.install();
    auto& loop = desktop.runLoop();
    Animator animator(loop);
    int steps = 0, completions = 0;
    auto id = animator.start(
        0.2, Theme::easeOut, [&](double) { ++steps; }, [&] { ++completions; });
    loop.advance(0.05);
    ASSERT_GT(steps, 1);
    animator.cancel(id);
    EXPECT_FALSE(animator.isRunning(id));
    EXPECT_TRUE(animator.idle());
    EXPECT_EQ(loop.activeTimers(), 0u);
    int before = steps;
    loop.advance(1);
    EXPECT_EQ(steps, before);
    EXPECT_EQ(completions, 0);

    double last = -1;
    animator.start(
        0, Theme::easeOut, [&](double p) { last = p; }, [&] { ++completions; });
    EXPECT_EQ(last, 1);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(loop.activeTimers(), 0u);
}

}  // namespace
}  // namespace kelvra::test
