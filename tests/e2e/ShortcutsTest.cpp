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
        SCOPED_TRACE(step.name);
        desktop.pressShortcut(step.keysym);
        auto got = desktop.waitForFrame(w, step.expected);
        ASSERT_TRUE(got) << "the window vanished";
        EXPECT_PRED3(near, *got, step.expected, 1.0);
    }

    // A chain of snaps (centre included) restores to the frame before the first one.
    desktop.pressShortcut(XK_BackSpace);
    auto restored = desktop.waitForFrame(w, *original);
    ASSERT_TRUE(restored);
    EXPECT_PRED3(near, *restored, *original, 1.0);
    EXPECT_TRUE(desktop.kelvraRunning());
}

INSTANTIATE_TEST_SUITE_P(Desktop, EveryShortcut, ::testing::Values(true, false),
                         [](const auto& info) {
                             return info.param ? std::string("UnderAWindowManager")
                                               : std::string("WithoutAWindowManager");
                         });

class Shortcuts : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop.startKelvra();
        window = desktop.startTestClient(
            {.title = "shortcuts", .arguments = {"--geometry", "500x400+300+200"}});
        desktop.activate(window);
        auto f = desktop.frame(window);
        ASSERT_TRUE(f);
        original = *f;
    }

    void pressAndExpect(unsigned long keysym, const Box& expected) {
        desktop.pressShortcut(keysym);
        auto got = desktop.waitForFrame(window, expected);
        ASSERT_TRUE(got) << "the window vanished";
        EXPECT_PRED3(near, *got, expected, 1.0);
    }

    Desktop desktop;
    Window window = None;
    Box original;
};

TEST_F(Shortcuts, RepeatedPressesCycleThroughRelatedZones) {
    // Each press follows the previous one well within the repeat window.
    pressAndExpect(XK_Left, leftHalf);
    pressAndExpect(XK_Left, leftTwoThirds);
    pressAndExpect(XK_Left, leftThird);
    pressAndExpect(XK_Left, leftHalf);

    // Another action starts from its own zone.
    pressAndExpect(XK_Right, rightHalf);
    pressAndExpect(XK_Right, rightTwoThirds);
    pressAndExpect(XK_Right, rightThird);

    // Maximize and almost maximize (5 % in from every side) toggle.
    pressAndExpect(XK_Return, maximized);
    pressAndExpect(XK_Return, Box{72, 45, 1296, 810});
    pressAndExpect(XK_Return, maximized);
}

TEST_F(Shortcuts, RestoreReturnsToTheFrameBeforeTheFirstSnap) {
    pressAndExpect(XK_Left, leftHalf);
    pressAndExpect(XK_Up, Box{0, 0, 1440, 446});
    pressAndExpect(XK_BackSpace, original);

    // Nothing left to restore: the next press is a no-op, so a later snap still works
    // and restores to the same frame.
    desktop.pressShortcut(XK_BackSpace);
    pressAndExpect(XK_k, Box{724, 454, 716, 446});
    pressAndExpect(XK_BackSpace, original);
}

TEST_F(Shortcuts, CenterKeepsTheSizeAndCentresOnTheScreen) {
    const Box centred{720 - original.width / 2, 450 - original.height / 2, original.width,
                      original.height};
    pressAndExpect(XK_c, centred);
    // Centring an unsnapped window remembers where it was.
    pressAndExpect(XK_BackSpace, original);
}

}  // namespace
}  // namespace kelvra::e2e
