#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/sim/SimDesktop.h"
#include "ui/Animator.h"
#include "ui/Theme.h"

namespace kelvra::test {
namespace {

// The curve's y where its x is t, found by sampling the parametric form densely: an
// independent way to the value the solver must give.
double sampled(const CubicBezier& c, double t) {
    auto coord = [](double s, double p1, double p2) {
        double u = 1 - s;
        return 3 * u * u * s * p1 + 3 * u * s * s * p2 + s * s * s;
    };
    double best = 0, bestDistance = 2;
    for (int i = 0; i <= 200000; ++i) {
        double s = i / 200000.0;
        double d = std::fabs(coord(s, c.x1, c.x2) - t);
        if (d < bestDistance) bestDistance = d, best = coord(s, c.y1, c.y2);
    }
    return best;
}

TEST(EasingTest, CurvesFollowTheirControlPoints) {
    struct Case {
        const char* name;
        CubicBezier curve;
    };
    const std::vector<Case> curves = {
        {"standard", Theme::easeStandard},
        {"out", Theme::easeOut},
        {"in-out", Theme::easeInOut},
        {"linear", CubicBezier{0, 0, 1, 1}},
        {"steep start", CubicBezier{0, 1, 0, 1}},
    };
    for (const auto& c : curves) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.curve.value(0), 0);
        EXPECT_EQ(c.curve.value(1), 1);
        EXPECT_EQ(c.curve.value(-0.5), 0);
        EXPECT_EQ(c.curve.value(1.5), 1);
        double previous = 0;
        for (double t : {0.01, 0.1, 0.25, 0.5, 0.75, 0.9, 0.99}) {
            double v = c.curve.value(t);
            EXPECT_NEAR(v, sampled(c.curve, t), 2e-4) << "at " << t;
            EXPECT_GE(v, previous) << "at " << t;
            previous = v;
        }
    }
    // The appearing curve is well ahead of linear time; the plain fade is symmetric.
    EXPECT_GT(Theme::easeOut.value(0.25), 0.6);
    EXPECT_NEAR(Theme::easeInOut.value(0.5), 0.5, 1e-6);
}

class AnimatorTest : public ::testing::Test {
  protected:
    void SetUp() override { desktop.install(); }
    sim::VirtualRunLoop& loop() { return desktop.runLoop(); }
    sim::SimDesktop desktop;
};

TEST_F(AnimatorTest, StepsFollowTheClockAndTheTimerRunsOnlyMeanwhile) {
    Animator animator;
    EXPECT_EQ(loop().activeTimers(), 0u);
    std::vector<double> steps;
    int completions = 0;
    animator.start(
        0.1, CubicBezier{0, 0, 1, 1}, [&](double p) { steps.push_back(p); },
        [&] { ++completions; });
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0], 0);
    EXPECT_EQ(loop().activeTimers(), 1u);

    loop().advance(0.05);
    EXPECT_EQ(steps.size(), 4u);  // at 1/60, 2/60 and 3/60 of a second
    EXPECT_NEAR(steps.back(), 0.5, 1e-9);
    EXPECT_EQ(completions, 0);

    loop().advance(0.1);
    EXPECT_EQ(steps.back(), 1.0);
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(animator.idle());
    EXPECT_EQ(loop().activeTimers(), 0u);
    size_t count = steps.size();
    loop().advance(1);
    EXPECT_EQ(steps.size(), count);
}

TEST_F(AnimatorTest, CancelledTransitionStopsWithoutCompletion) {
    Animator animator;
    int steps = 0, completions = 0;
    auto id = animator.start(
        0.2, Theme::easeOut, [&](double) { ++steps; }, [&] { ++completions; });
    loop().advance(0.05);
    animator.cancel(id);
    EXPECT_FALSE(animator.isRunning(id));
    EXPECT_EQ(loop().activeTimers(), 0u);
    int before = steps;
    loop().advance(1);
    EXPECT_EQ(steps, before);
    EXPECT_EQ(completions, 0);
}

TEST_F(AnimatorTest, CompletionMayStartTheNextTransition) {
    Animator animator;
    std::vector<std::string> events;
    animator.start(0.05, Theme::easeOut, nullptr, [&] {
        events.push_back("first done");
        animator.start(0.05, Theme::easeOut, nullptr, [&] { events.push_back("second done"); });
    });
    loop().advance(0.2);
    EXPECT_EQ(events, (std::vector<std::string>{"first done", "second done"}));
    EXPECT_EQ(loop().activeTimers(), 0u);
}

TEST_F(AnimatorTest, ZeroDurationCompletesAtOnce) {
    Animator animator;
    double last = -1;
    bool done = false;
    animator.start(
        0, Theme::easeOut, [&](double p) { last = p; }, [&] { done = true; });
    EXPECT_EQ(last, 1);
    EXPECT_TRUE(done);
    EXPECT_EQ(loop().activeTimers(), 0u);
}

}  // namespace
}  // namespace kelvra::test
