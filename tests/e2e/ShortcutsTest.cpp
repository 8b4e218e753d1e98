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
    const std::pair<unsigned long, Box> zones[] = {
        {XK_Left, {0, 0, 716, 900}},    {XK_Right, {724, 0, 716, 900}},
        {XK_Up, {0, 0, 1440, 446}},     {XK_Down, {0, 454, 1440, 446}},
        {XK_Return, {0, 0, 1440, 900}}, {XK_u, {0, 0, 716, 446}},
        {XK_i, {724, 0, 716, 446}},     {XK_j, {0, 454, 716, 446}},
        {XK_k, {724, 454, 716, 446}},   {XK_d, {0, 0, 476, 900}},
        {XK_f, {484, 0, 472, 900}},     {XK_g, {964, 0, 476, 900}},
        {XK_e, {0, 0, 956, 900}},       {XK_t, {484, 0, 956, 900}},
        {XK_c, {242, 0, 956, 900}},
    };
    for (const auto& [keysym, expected] : zones)
        ASSERT_TRUE(desktop.pressAndExpect(w, keysym, expected));
    // A chain of snaps (centre included) restores to the frame before the first one.
    ASSERT_TRUE(desktop.pressAndExpect(w, XK_BackSpace, o));

    // Centring an unsnapped window remembers where it was. Repeated presses within the
    // repeat window cycle; another action starts from its own zone. Maximize and almost
    // maximize (5 % in from every side) toggle. With nothing left to restore the next
    // press is a no-op, so a later snap still restores to the same frame.
    const Box centred{720 - o.width / 2, 450 - o.height / 2, o.width, o.height};
    const Box almostMaximized{72, 45, 1296, 810};
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
