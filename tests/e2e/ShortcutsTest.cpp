// Every default shortcut on a real window, with and without a window manager.
#include <X11/keysym.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

using namespace zone;

class Shortcuts : public ::testing::TestWithParam<bool> {};

TEST_P(Shortcuts, EveryZoneCentreRestoreAndCyclingThroughRelatedZones) {
    Desktop desktop({.windowManager = GetParam()});
    desktop.startKelvra();
    Window w = desktop.startActiveClient({"shortcuts"});
    const Box o = *desktop.frame(w);
    // Every zone, each press another action so that none of them cycles; centre keeps
    // the size of the right two-thirds.
    const Box& area = maximized;
    auto centredAt = [&](double width, double height) {
        return Box{area.x + (area.width - width) / 2, area.y + (area.height - height) / 2, width,
                   height};
    };
    auto zones = byShortcut();
    zones.emplace_back(XK_c, centredAt(rightTwoThirds.width, rightTwoThirds.height));
    for (const auto& [keysym, expected] : zones)
        ASSERT_TRUE(desktop.pressAndExpect(w, keysym, expected));
    // A chain of snaps (centre included) restores to the frame before the first one.
    ASSERT_TRUE(desktop.pressAndExpect(w, XK_BackSpace, o));

    // Centring an unsnapped window remembers where it was; presses of one action in a row
    // cycle (the zones' order is the unit tests'); with nothing left to restore a press is
    // a no-op.
    const std::pair<unsigned long, Box> chain[] = {
        {XK_c, centredAt(o.width, o.height)},
        {XK_BackSpace, o},
        {XK_Left, leftHalf},
        {XK_Left, leftTwoThirds},
        {XK_Return, maximized},
        {XK_BackSpace, o},
        {XK_BackSpace, o},
    };
    for (const auto& [keysym, expected] : chain)
        ASSERT_TRUE(desktop.pressAndExpect(w, keysym, expected));
}

INSTANTIATE_TEST_SUITE_P(Desktop, Shortcuts, ::testing::Values(true, false), [](const auto& info) {
    return info.param ? "UnderAWindowManager" : "WithoutAWindowManager";
});

}  // namespace
}  // namespace kelvra::e2e
