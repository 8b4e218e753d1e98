// Which windows a shortcut may move.
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
        std::vector<std::string> arguments;
        unsigned long keysym;
        Box zone;  // where the press puts the ordinary window
    } kinds[] = {
        {{"--type", "dialog"}, XK_Left, zone::leftHalf},
        {{"--type", "utility"}, XK_Right, zone::rightHalf},
        {{"--type", "toolbar"}, XK_Up, zone::topHalf},
        {{"--type", "splash"}, XK_Down, zone::bottomHalf},
        // A dialog transient for the ordinary window: its parent moves, it does not.
        {{"--type", "dialog", "--transient-for", std::to_string(ordinary)},
         XK_Left,
         zone::leftHalf},
    };
    for (const auto& kind : kinds) {
        const std::string title = "a " + kind.arguments[1] + " " + kind.arguments.back();
        SCOPED_TRACE(title);
        Window w = desktop.startTestClient({title, kind.arguments});
        const Box before = *desktop.frame(w);
        desktop.activate(w);
        desktop.pressShortcut(kind.keysym);
        desktop.activate(ordinary);
        ASSERT_TRUE(desktop.pressAndExpect(ordinary, kind.keysym, kind.zone));
        EXPECT_EQ(desktop.frame(w), before);
    }
}

}  // namespace
}  // namespace kelvra::e2e
