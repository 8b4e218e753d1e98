// Which windows a shortcut may move, and windows that do not take every size.
#include <X11/keysym.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

TEST(WindowKinds, DialogsUtilityWindowsToolbarsSplashesAndTransientsAreNeverMoved) {
    Desktop desktop;
    desktop.startKelvra();
    Window ordinary = desktop.startTestClient({"ordinary", {"--geometry", "400x300+500+300"}});
    // Each press goes to the window of that kind, then to the ordinary window: once that
    // has moved, the first press was handled too. Consecutive kinds use different
    // shortcuts, as a repeated one would cycle to another zone.
    const struct {
        std::string type;
        std::string transientFor;
        unsigned long keysym;
        Box zone;  // where the press puts the ordinary window
    } kinds[] = {
        {"dialog", "", XK_Left, zone::leftHalf},
        {"utility", "", XK_Right, zone::rightHalf},
        {"toolbar", "", XK_Up, zone::topHalf},
        {"splash", "", XK_Down, zone::bottomHalf},
        // A dialog transient for the ordinary window: its parent moves, it does not.
        {"dialog", std::to_string(ordinary), XK_Left, zone::leftHalf},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.type + " " + kind.transientFor);
        std::vector<std::string> arguments = {"--type", kind.type};
        if (!kind.transientFor.empty())
            arguments.insert(arguments.end(), {"--transient-for", kind.transientFor});
        Window w = desktop.startTestClient({"a " + kind.type + kind.transientFor, arguments});
        const Box before = *desktop.frame(w);
        desktop.activate(w);
        desktop.pressShortcut(kind.keysym);
        desktop.activate(ordinary);
        ASSERT_TRUE(desktop.pressAndExpect(ordinary, kind.keysym, kind.zone));
        EXPECT_EQ(desktop.frame(w), before);
    }
}

// A terminal takes sizes only in whole character cells.
TEST(WindowKinds, AWindowWithSizeIncrementsKeepsTheFrameItReallyGot) {
    Desktop desktop;
    desktop.startKelvra();
    Window w =
        desktop.startTestClient({"terminal", {"--increments", "7x13", "--base-size", "4x4"}});
    desktop.activate(w);
    const Box original = *desktop.frame(w);

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
    desktop.pressShortcut(XK_d);  // a different zone, to have a point after the settling
    auto third = desktop.waitForChange(w, *got);
    ASSERT_TRUE(third);
    EXPECT_LE(third->width, 476);
    EXPECT_GT(third->width, 476 - 30);

    EXPECT_TRUE(desktop.pressAndExpect(w, XK_BackSpace, original));
}

}  // namespace
}  // namespace kelvra::e2e
