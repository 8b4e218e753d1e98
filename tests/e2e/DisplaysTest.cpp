// Screens as the window system reports them: two RandR monitors on one root window,
// and a work area reduced by a dock.
#include <X11/keysym.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

class NextDisplay : public ::testing::TestWithParam<bool> {};

// Two 1440 x 900 monitors side by side; without the left one primary, the origin of the
// working space is at root x 1440.
TEST_P(NextDisplay, KeepsTheRelativePlaceOrTheZoneOnTheNextMonitorAndWrapsAround) {
    const bool leftIsPrimary = GetParam();
    Desktop desktop({.screen = "2880x900x24",
                     .monitors = {{"LEFT", 0, 0, 1440, 900, leftIsPrimary},
                                  {"RIGHT", 1440, 0, 1440, 900, !leftIsPrimary}}});
    desktop.startKelvra();
    const double leftX = leftIsPrimary ? 0 : -1440;  // LEFT's x in the working space
    Window w = desktop.startActiveClient({"next display"});
    const Box start = *desktop.frame(w);
    // Equal monitors: the same relative place is a shift by one monitor width. From
    // the rightmost monitor the next one is the leftmost.
    const double shift = start.x + start.width / 2 < leftX + 1440 ? 1440 : -1440;
    EXPECT_TRUE(
        desktop.pressAndExpect(w, XK_n, {start.x + shift, start.y, start.width, start.height}));
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_n, start));

    // A snapped window lands in the same zone of the next monitor.
    const Box first{shift > 0 ? leftX : leftX + 1440, zone::leftHalf.y, 716, zone::leftHalf.height};
    const Box second{first.x + shift, first.y, 716, first.height};
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_Left, first));
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_n, second));
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_n, first));
}

INSTANTIATE_TEST_SUITE_P(TwoMonitors, NextDisplay, ::testing::Values(true, false),
                         [](const auto& info) {
                             return info.param ? "PrimaryAtTheRootOrigin" : "PrimaryOnTheRight";
                         });

TEST(WorkArea, ZonesLieInsideTheAreaThatADockLeavesWithTheConfiguredGap) {
    Desktop desktop;
    // A dock along the top that reserves 25 pixels.
    desktop.startTestClient(
        {"dock", {"--type", "dock", "--geometry", "1440x25+0+0", "--strut-top", "25"}});
    // The bottom stays where the manager's own panel, if any, puts it.
    std::vector<long> area;
    ASSERT_TRUE(Desktop::waitUntil([&] {
        area = desktop.property(desktop.root(), "_NET_WORKAREA");
        return area.size() >= 4 && area[1] == 25;
    }));
    const double h = double(area[3]);
    desktop.writeSettings({{"windowGap", 10.0}});
    desktop.startKelvra();
    Window w = desktop.startActiveClient({"work area"});
    // The zones' arithmetic is the unit tests'; here the area it starts from.
    const std::pair<unsigned long, Box> steps[] = {
        {XK_f, {485, 25, 470, h}},
        {XK_k, {725, 25 + h / 2 + 5, 715, h / 2 - 5}},
        {XK_Return, {0, 25, 1440, h}},
    };
    for (const auto& [keysym, expected] : steps)
        EXPECT_TRUE(desktop.pressAndExpect(w, keysym, expected));
}

}  // namespace
}  // namespace kelvra::e2e
