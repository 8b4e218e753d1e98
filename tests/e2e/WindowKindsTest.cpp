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

}  // namespace
}  // namespace kelvra::e2e
