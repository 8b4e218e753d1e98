// Every default shortcut on a real window, on a 1440 x 900 screen with the default gap
// of 8 and no padding, so each inner zone edge is pulled in by 4 pixels.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

constexpr Box leftHalf{0, 0, 716, 900};
constexpr Box rightHalf{724, 0, 716, 900};
constexpr Box leftTwoThirds{0, 0, 956, 900};
constexpr Box leftThird{0, 0, 476, 900};
constexpr Box rightTwoThirds{484, 0, 956, 900};
constexpr Box rightThird{964, 0, 476, 900};
constexpr Box maximized{0, 0, 1440, 900};

struct Step {
    const char* name;
    unsigned long keysym;
    Box expected;
};

// Consecutive presses are all different actions, so none of them cycles.
const Step everyZoneShortcut[] = {
    {"left half", XK_Left, leftHalf},
    {"right half", XK_Right, rightHalf},
    {"top half", XK_Up, {0, 0, 1440, 446}},
    {"bottom half", XK_Down, {0, 454, 1440, 446}},
    {"maximize", XK_Return, maximized},
    {"top-left quarter", XK_u, {0, 0, 716, 446}},
    {"top-right quarter", XK_i, {724, 0, 716, 446}},
    {"bottom-left quarter", XK_j, {0, 454, 716, 446}},
    {"bottom-right quarter", XK_k, {724, 454, 716, 446}},
    {"left third", XK_d, leftThird},
    {"center third", XK_f, {484, 0, 472, 900}},
    {"right third", XK_g, rightThird},
    {"left two-thirds", XK_e, leftTwoThirds},
    {"right two-thirds", XK_t, rightTwoThirds},
    // Centre keeps the size of the right two-thirds.
    {"center", XK_c, {242, 0, 956, 900}},
};

class EveryShortcut : public ::testing::TestWithParam<bool> {};

TEST_P(EveryShortcut, PutsTheActiveWindowIntoItsZoneAndRestoreUndoesTheChain) {
    DesktopOptions options;
    options.windowManager = GetParam();
    Desktop desktop(options);
    desktop.startKelvra();
    Window w = desktop.startTestClient(
        {.title = "every shortcut", .arguments = {"--geometry", "400x300+200+150"}});
    desktop.activate(w);
    auto original = desktop.frame(w);
    ASSERT_TRUE(original);
    for (const Step& step : everyZoneShortcut) {
        ASSERT_TRUE(desktop.pressAndExpect(w, step.keysym, step.expected)) << step.name;
    }
    // A chain of snaps (centre included) restores to the frame before the first one.
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_BackSpace, *original));
}

INSTANTIATE_TEST_SUITE_P(Desktop, EveryShortcut, ::testing::Values(true, false),
                         [](const auto& info) {
                             return info.param ? std::string("UnderAWindowManager")
                                               : std::string("WithoutAWindowManager");
                         });

TEST(Shortcuts, CentreRestoreAndCyclingThroughRelatedZones) {
    Desktop desktop;
    desktop.startKelvra();
    Window w = desktop.startTestClient(
        {.title = "shortcuts", .arguments = {"--geometry", "500x400+300+200"}});
    desktop.activate(w);
    const Box o = *desktop.frame(w);
    // Centre keeps the size; centring an unsnapped window remembers where it was.
    const Box centred{720 - o.width / 2, 450 - o.height / 2, o.width, o.height};
    // Each press follows the previous one well within the repeat window, so repeated
    // presses cycle; another action starts from its own zone. Maximize and almost
    // maximize (5 % in from every side) toggle. Restore returns to the frame before
    // the first snap; with nothing left to restore the next press is a no-op, so a
    // later snap still restores to the same frame.
    const std::pair<unsigned long, Box> steps[] = {
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
        {XK_Return, {72, 45, 1296, 810}},
        {XK_Return, maximized},
        {XK_BackSpace, o},
        {XK_BackSpace, o},
        {XK_k, {724, 454, 716, 446}},
        {XK_BackSpace, o},
    };
    for (const auto& [keysym, expected] : steps) {
        ASSERT_TRUE(desktop.pressAndExpect(w, keysym, expected));
    }
}

}  // namespace
}  // namespace kelvra::e2e
