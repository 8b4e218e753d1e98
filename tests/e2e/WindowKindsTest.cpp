// Which windows a shortcut may move, and windows that do not take every size.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

constexpr Box leftHalf{0, 0, 716, 900};

// Presses Control+Alt+Left with `target` active, then the same on an ordinary window.
// Once the ordinary window has moved, the program has handled the first press too, so
// the target's frame can be judged without waiting for a time-out.
void expectLeftAlone(Desktop& desktop, Window target, Window ordinary) {
    auto before = desktop.frame(target);
    ASSERT_TRUE(before);
    desktop.activate(target);
    desktop.pressShortcut(XK_Left);

    desktop.activate(ordinary);
    desktop.pressShortcut(XK_Left);
    auto control = desktop.waitForFrame(ordinary, leftHalf);
    ASSERT_TRUE(control);
    ASSERT_PRED3(near, *control, leftHalf, 1.0) << "the ordinary window did not snap";

    auto after = desktop.frame(target);
    ASSERT_TRUE(after);
    EXPECT_EQ(*after, *before);
    // Back out of the half, so the next round starts from an unsnapped window.
    desktop.pressShortcut(XK_BackSpace);
    desktop.waitForChange(ordinary, *control);
}

TEST(WindowKinds, DialogsUtilityWindowsToolbarsAndSplashesAreNeverMoved) {
    Desktop desktop;
    desktop.startKelvra();
    Window ordinary = desktop.startTestClient(
        {.title = "ordinary", .arguments = {"--geometry", "400x300+500+300"}});
    for (const char* type : {"dialog", "utility", "toolbar", "splash"}) {
        SCOPED_TRACE(type);
        Window w = desktop.startTestClient(
            {.title = std::string("a ") + type,
             .arguments = {"--type", type, "--geometry", "300x200+150+120"}});
        expectLeftAlone(desktop, w, ordinary);
    }
}

TEST(WindowKinds, ATransientDialogIsNotMovedButItsParentIs) {
    Desktop desktop;
    desktop.startKelvra();
    Window parent = desktop.startTestClient(
        {.title = "parent", .arguments = {"--geometry", "400x300+500+300"}});
    Window dialog = desktop.startTestClient(
        {.title = "child dialog",
         .arguments = {"--type", "dialog", "--transient-for", std::to_string(parent), "--geometry",
                       "300x200+150+120"}});
    expectLeftAlone(desktop, dialog, parent);
}

TEST(WindowKinds, TheProgramsOwnWindowsAreNeverMoved) {
    Desktop desktop;
    desktop.startKelvra();
    Window ordinary = desktop.startTestClient(
        {.title = "ordinary", .arguments = {"--geometry", "400x300+500+300"}});
    desktop.activate(ordinary);
    // The zone picker is the program's own window that a shortcut opens.
    desktop.pressShortcut(XK_space);
    std::vector<Window> own;
    ASSERT_TRUE(Desktop::waitUntil([&] {
        own = desktop.windowsOfProcess(desktop.kelvraPid());
        return !own.empty();
    })) << "the zone picker did not open";
    auto before = desktop.frame(own.front());
    ASSERT_TRUE(before);
    desktop.activate(own.front());
    desktop.pressShortcut(XK_Left);
    // Closing the picker is handled after the press above.
    desktop.pressShortcut(XK_space);
    Desktop::waitUntil([&] { return desktop.windowsOfProcess(desktop.kelvraPid()).empty(); });
    if (auto after = desktop.frame(own.front())) {
        EXPECT_EQ(*after, *before);
    }

    auto ordinaryNow = desktop.frame(ordinary);
    ASSERT_TRUE(ordinaryNow);
    EXPECT_FALSE(near(*ordinaryNow, leftHalf)) << "the shortcut went to another window";
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
    EXPECT_LE(got->width, 716);
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

    desktop.pressShortcut(XK_BackSpace);
    auto restored = desktop.waitForFrame(w, *original);
    ASSERT_TRUE(restored);
    EXPECT_PRED3(near, *restored, *original, 1.0);
    EXPECT_TRUE(desktop.kelvraRunning());
}

}  // namespace
}  // namespace kelvra::e2e
