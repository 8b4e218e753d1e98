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
    ASSERT_TRUE(control);
    ASSERT_PRED3(near, *control, press.zone, 1.0) << "the ordinary window did not snap";

    auto after = desktop.frame(target);
    ASSERT_TRUE(after);
    EXPECT_EQ(*after, *before);
}

TEST(WindowKinds, DialogsUtilityWindowsToolbarsAndSplashesAreNeverMoved) {
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
    expectLeftAlone(desktop, dialog, parent, leftHalf);
}

TEST(WindowKinds, TheProgramsOwnWindowsAreNeverMoved) {
    Desktop desktop;
    // Another window manager running at start makes the program show its own alert.
    desktop.startTestClient(
        {.title = "rival", .arguments = {"--class", "moom,com.manytricks.Moom"}});
    Window ordinary = desktop.startTestClient(
        {.title = "ordinary", .arguments = {"--geometry", "400x300+500+300"}});
    desktop.startKelvra();
    std::vector<Window> own;
    ASSERT_TRUE(Desktop::waitUntil([&] {
        own = desktop.windowsOfProcess(desktop.kelvraPid());
        return !own.empty();
    })) << "the alert about the other window manager did not appear";
    auto before = desktop.frame(own.front());
    ASSERT_TRUE(before);
    desktop.activate(own.front());
    desktop.pressShortcut(XK_Left);

    // Once a press on an ordinary window has been handled, so has the one before it.
    desktop.activate(ordinary);
    desktop.pressShortcut(XK_Right);
    ASSERT_TRUE(Desktop::waitUntil([&] {
        auto f = desktop.frame(ordinary);
        return f && f->x > 500;
    }));
    auto after = desktop.frame(own.front());
    ASSERT_TRUE(after);
    EXPECT_EQ(*after, *before);
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

    desktop.pressShortcut(XK_BackSpace);
    auto restored = desktop.waitForFrame(w, *original);
    ASSERT_TRUE(restored);
    EXPECT_PRED3(near, *restored, *original, 1.0);
    EXPECT_TRUE(desktop.kelvraRunning());
}

}  // namespace
}  // namespace kelvra::e2e
