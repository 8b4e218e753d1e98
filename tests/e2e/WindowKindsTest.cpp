// Which windows a shortcut may move, and windows that do not take every size.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

struct Press {
    unsigned long keysym;
    Box zone;  // where it puts an ordinary window
};
constexpr Press leftHalf{XK_Left, {0, 0, 716, 900}};
constexpr Press rightHalf{XK_Right, {724, 0, 716, 900}};
constexpr Press topHalf{XK_Up, {0, 0, 1440, 446}};
constexpr Press bottomHalf{XK_Down, {0, 454, 1440, 446}};

// Presses the shortcut with `target` active, then the same on an ordinary window.
// Once the ordinary window has moved, the program has handled the first press too, so
// the target's frame can be judged without waiting for a time-out. Consecutive calls
// must use different shortcuts: a repeated one would cycle to another zone.
void expectLeftAlone(Desktop& desktop, Window target, Window ordinary, const Press& press) {
    auto before = desktop.frame(target);
    ASSERT_TRUE(before);
    desktop.activate(target);
    desktop.pressShortcut(press.keysym);

    desktop.activate(ordinary);
    desktop.pressShortcut(press.keysym);
    auto control = desktop.waitForFrame(ordinary, press.zone);
    ASSERT_TRUE(control && near(*control, press.zone)) << "the ordinary window did not snap";

    auto after = desktop.frame(target);
    ASSERT_TRUE(after);
    EXPECT_EQ(*after, *before);
}

TEST(WindowKinds, DialogsUtilityWindowsToolbarsSplashesAndTransientsAreNeverMoved) {
    Desktop desktop;
    desktop.startKelvra();
    Window ordinary = desktop.startTestClient(
        {.title = "ordinary", .arguments = {"--geometry", "400x300+500+300"}});
    const std::pair<const char*, Press> kinds[] = {
        {"dialog", leftHalf}, {"utility", rightHalf}, {"toolbar", topHalf}, {"splash", bottomHalf}};
    for (const auto& [type, press] : kinds) {
        SCOPED_TRACE(type);
        Window w = desktop.startTestClient(
            {.title = std::string("a ") + type,
             .arguments = {"--type", type, "--geometry", "300x200+150+120"}});
        expectLeftAlone(desktop, w, ordinary, press);
    }
    // A dialog transient for the ordinary window: its parent moves, it does not.
    Window child = desktop.startTestClient(
        {.title = "child dialog",
         .arguments = {"--type", "dialog", "--transient-for", std::to_string(ordinary),
                       "--geometry", "300x200+150+120"}});
    expectLeftAlone(desktop, child, ordinary, leftHalf);
}

TEST(WindowKinds, AWindowWithSizeIncrementsKeepsTheFrameItReallyGot) {
    Desktop desktop;
    desktop.startKelvra();
    // A terminal takes sizes only in whole character cells.
    Window w = desktop.startXterm("terminal");
    desktop.activate(w);
    auto original = desktop.frame(w);
    ASSERT_TRUE(original);

    desktop.pressShortcut(XK_Left);
    std::optional<Box> got;
    ASSERT_TRUE(Desktop::waitUntil([&] {
        got = desktop.frame(w);
        return got && got->x == 0 && got->y == 0 && got->width > 600;
    })) << "the terminal did not snap";
    // The window manager rounds down to whole cells: never larger than the zone.
    EXPECT_LE(got->width, leftHalf.zone.width);
    EXPECT_GT(got->width, 716 - 30);
    EXPECT_LE(got->height, 900);
    EXPECT_GT(got->height, 900 - 40);

    // The frame settles: the program does not fight the rounding.
    Box settled = *got;
    desktop.pressShortcut(XK_d);  // a different zone, to have a point after the settling
    auto third = desktop.waitForChange(w, settled);
    ASSERT_TRUE(third);
    EXPECT_LE(third->width, 476);
    EXPECT_GT(third->width, 476 - 30);

    EXPECT_TRUE(desktop.pressAndExpect(w, XK_BackSpace, *original));
}

}  // namespace
}  // namespace kelvra::e2e
