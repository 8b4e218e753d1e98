// Screens as the window system reports them: two RandR monitors on one root window,
// and a work area reduced by a dock.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

// Two 1440 x 900 monitors side by side on a 2880 x 900 root window. `leftIsPrimary`
// false puts the primary (the origin of the working space) at root x 1440.
DesktopOptions twoMonitors(bool leftIsPrimary) {
    return {.screen = "2880x900x24",
            .monitors = {{"LEFT", 0, 0, 1440, 900, leftIsPrimary},
                         {"RIGHT", 1440, 0, 1440, 900, !leftIsPrimary}},
            .windowManager = true};
}

class NextDisplay : public ::testing::TestWithParam<bool> {};

TEST_P(NextDisplay, MovesASnappedWindowIntoTheSameZoneOfTheNextMonitorAndBack) {
    Desktop desktop(twoMonitors(GetParam()));
    desktop.startKelvra();
    const double leftX = GetParam() ? 0 : -1440;  // LEFT's x in the working space
    Window w = desktop.startTestClient(
        {.title = "next display", .arguments = {"--geometry", "400x300+200+150"}});
    desktop.activate(w);
    auto start = desktop.frame(w);
    ASSERT_TRUE(start);
    // Snap on whichever monitor the window manager placed it, then walk the monitors.
    const bool onLeft = start->x + start->width / 2 < leftX + 1440;
    const Box leftMonitorHalf{leftX, 0, 716, 900};
    const Box rightMonitorHalf{leftX + 1440, 0, 716, 900};

    desktop.pressShortcut(XK_Left);
    const Box first = onLeft ? leftMonitorHalf : rightMonitorHalf;
    auto got = desktop.waitForFrame(w, first);
    ASSERT_TRUE(got);
    EXPECT_PRED3(near, *got, first, 1.0);

    // From the rightmost monitor the next one is the leftmost.
    const Box second = onLeft ? rightMonitorHalf : leftMonitorHalf;
    desktop.pressShortcut(XK_n);
    got = desktop.waitForFrame(w, second);
    ASSERT_TRUE(got);
    EXPECT_PRED3(near, *got, second, 1.0);

    desktop.pressShortcut(XK_n);
    got = desktop.waitForFrame(w, first);
    ASSERT_TRUE(got);
    EXPECT_PRED3(near, *got, first, 1.0);
}

TEST_P(NextDisplay, KeepsTheRelativePlaceOfAnUnsnappedWindow) {
    Desktop desktop(twoMonitors(GetParam()));
    desktop.startKelvra();
    const double leftX = GetParam() ? 0 : -1440;
    Window w = desktop.startTestClient(
        {.title = "unsnapped", .arguments = {"--geometry", "400x300+200+150"}});
    desktop.activate(w);
    auto start = desktop.frame(w);
    ASSERT_TRUE(start);
    // Equal monitors: the same relative place is a shift by one monitor width.
    const bool onLeft = start->x + start->width / 2 < leftX + 1440;
    Box moved = *start;
    moved.x += onLeft ? 1440 : -1440;

    desktop.pressShortcut(XK_n);
    auto got = desktop.waitForFrame(w, moved);
    ASSERT_TRUE(got);
    EXPECT_PRED3(near, *got, moved, 1.0);

    desktop.pressShortcut(XK_n);
    got = desktop.waitForFrame(w, *start);
    ASSERT_TRUE(got);
    EXPECT_PRED3(near, *got, *start, 1.0);
}

INSTANTIATE_TEST_SUITE_P(TwoMonitors, NextDisplay, ::testing::Values(true, false),
                         [](const auto& info) {
                             return info.param ? std::string("PrimaryAtTheRootOrigin")
                                               : std::string("PrimaryOnTheRight");
                         });

TEST(WorkArea, ZonesLieInsideTheAreaThatADockLeavesWithTheConfiguredGap) {
    Desktop desktop;
    desktop.addTopDock(25);
    desktop.writeSettings({{"windowGap", 10.0}});
    desktop.startKelvra();
    Window w = desktop.startTestClient(
        {.title = "work area", .arguments = {"--geometry", "400x300+200+150"}});
    desktop.activate(w);

    struct {
        unsigned long keysym;
        Box expected;
    } const steps[] = {
        {XK_Left, {0, 25, 715, 875}},     {XK_Right, {725, 25, 715, 875}},
        {XK_d, {0, 25, 475, 875}},        {XK_f, {485, 25, 470, 875}},
        {XK_k, {725, 467.5, 715, 432.5}}, {XK_Return, {0, 25, 1440, 875}},
    };
    for (const auto& step : steps) {
        desktop.pressShortcut(step.keysym);
        auto got = desktop.waitForFrame(w, step.expected);
        ASSERT_TRUE(got);
        EXPECT_PRED3(near, *got, step.expected, 1.0) << "keysym " << step.keysym;
    }
}

}  // namespace
}  // namespace kelvra::e2e
