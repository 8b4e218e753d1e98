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
    Window w = desktop.startTestClient({"shortcuts"});
    desktop.activate(w);
    const Box o = *desktop.frame(w);
    // Every zone, each press another action so that none of them cycles; centre keeps
    // the size of the right two-thirds.
    const Box& area = maximized;
    auto centredAt = [&](double width, double height) {
        return Box{area.x + (area.width - width) / 2, area.y + (area.height - height) / 2, width,
                   height};
    };
    const std::pair<unsigned long, Box> zones[] = {
        {XK_Left, leftHalf},
        {XK_Right, rightHalf},
        {XK_Up, topHalf},
        {XK_Down, bottomHalf},
        {XK_Return, maximized},
        {XK_u, topLeft},
        {XK_i, topRight},
        {XK_j, bottomLeft},
        {XK_k, bottomRight},
        {XK_d, leftThird},
        {XK_f, centreThird},
        {XK_g, rightThird},
        {XK_e, leftTwoThirds},
        {XK_t, rightTwoThirds},
        {XK_c, centredAt(rightTwoThirds.width, rightTwoThirds.height)},
    };
    for (const auto& [keysym, expected] : zones)
        ASSERT_TRUE(desktop.pressAndExpect(w, keysym, expected));
    // A chain of snaps (centre included) restores to the frame before the first one.
    ASSERT_TRUE(desktop.pressAndExpect(w, XK_BackSpace, o));

    // Centring an unsnapped window remembers where it was. Repeated presses within the
    // repeat window cycle; another action starts from its own zone. Maximize and almost
    // maximize (5 % in from every side) toggle. With nothing left to restore the next
    // press is a no-op, so a later snap still restores to the same frame.
    const Box centred = centredAt(o.width, o.height);
    const Box almostMaximized{area.x + area.width * 0.05, area.y + area.height * 0.05,
                              area.width * 0.9, area.height * 0.9};
    const std::pair<unsigned long, Box> chain[] = {
        {XK_c, centred},
        {XK_BackSpace, o},
        {XK_Left, leftHalf},
        {XK_Left, leftTwoThirds},
        {XK_Left, leftThird},
        {XK_Left, leftHalf},
        {XK_Right, rightHalf},
        {XK_Right, rightTwoThirds},
        {XK_Right, rightThird},
        {XK_Return, maximized},
        {XK_Return, almostMaximized},
        {XK_Return, maximized},
        {XK_BackSpace, o},
        {XK_BackSpace, o},
        {XK_k, bottomRight},
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
