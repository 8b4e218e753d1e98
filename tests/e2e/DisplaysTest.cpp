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

TEST_P(NextDisplay, KeepsTheRelativePlaceOrTheZoneOnTheNextMonitorAndWrapsAround) {
    Desktop desktop(twoMonitors(GetParam()));
    desktop.startKelvra();
    const double leftX = GetParam() ? 0 : -1440;  // LEFT's x in the working space
    Window w = desktop.startTestClient(
        {.title = "next display", .arguments = {"--geometry", "400x300+200+150"}});
    desktop.activate(w);
    auto start = desktop.frame(w);
    ASSERT_TRUE(start);
    // Equal monitors: the same relative place is a shift by one monitor width. From
    // the rightmost monitor the next one is the leftmost.
    const bool onLeft = start->x + start->width / 2 < leftX + 1440;
    Box moved = *start;
    moved.x += onLeft ? 1440 : -1440;
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_n, moved));
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_n, *start));

    // A snapped window lands in the same zone of the next monitor.
    const Box leftMonitorHalf{leftX, 0, 716, 900};
    const Box rightMonitorHalf{leftX + 1440, 0, 716, 900};
    const Box first = onLeft ? leftMonitorHalf : rightMonitorHalf;
    const Box second = onLeft ? rightMonitorHalf : leftMonitorHalf;
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_Left, first));
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_n, second));
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_n, first));
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
    for (const auto& step : steps)
        EXPECT_TRUE(desktop.pressAndExpect(w, step.keysym, step.expected));
}

}  // namespace
}  // namespace kelvra::e2e
