// The program keeps working when the desktop misbehaves under it.
#include <X11/keysym.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

TEST(Robustness, ASecondStartGivesWayAndVanishingWindowsCauseNoHarm) {
    Desktop desktop;
    desktop.startKelvra();
    EXPECT_EQ(desktop.runAnotherKelvra(), 0) << "the second start did not give way";
    // Later starts with odd arguments give way as well and do the first instance no harm.
    for (const auto& odd : std::vector<std::vector<std::string>>{
             {"--settings=nowhere"}, {"--", "-x", ""}, {"kelvra:", "kelvra://auth?state="}})
        EXPECT_EQ(desktop.runAnotherKelvra(odd), 0) << odd.front();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Window doomed = desktop.startActiveClient({"doomed " + std::to_string(round)});
        // The press and the destruction reach the server in one batch, so the
        // program meets a window that is already gone while it snaps.
        desktop.pressShortcut(XK_Left);
        round == 0 ? XDestroyWindow(desktop.display(), doomed)
                   : XKillClient(desktop.display(), doomed);
        XSync(desktop.display(), False);
    }
    // The first instance is still in charge.
    Window survivor = desktop.startActiveClient({"survivor"});
    EXPECT_TRUE(desktop.pressAndExpect(survivor, XK_Right, zone::rightHalf));
    EXPECT_TRUE(desktop.kelvraRunning());
}

// The stock configurations of openbox, xfwm4, IceWM, Fluxbox and Mutter hold
// Ctrl+Alt+arrows, and another client holds Ctrl+Alt+U: a later start tells the user
// without any window of its own (a notification where a server runs, else the tray),
// and its other shortcuts work.
TEST(Robustness, CombinationsHeldByTheWindowManagerOrAnotherClientAreToldAndTheOthersWork) {
    Desktop desktop({.stockWindowManagerConfig = true});
    // Whether the manager holds Ctrl+Alt+Left. (KWin keeps its shortcuts in a daemon on
    // the session bus, which these desktops lack.)
    const bool managerHoldsArrows = !desktop.grabbable(XK_Left, ControlMask | Mod1Mask);
    Display* holder = XOpenDisplay(desktop.displayName().c_str());
    const std::string manager = desktop.windowManagerName();
    if (manager == "openbox" || manager == "xfwm4" || manager == "icewm" || manager == "fluxbox") {
        EXPECT_TRUE(managerHoldsArrows) << manager << " left Ctrl+Alt+Left free";
    }
    XGrabKey(holder, XKeysymToKeycode(holder, XK_u), ControlMask | Mod1Mask,
             DefaultRootWindow(holder), True, GrabModeAsync, GrabModeAsync);
    XSync(holder, False);
    desktop.startKelvra();
    ASSERT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraSaid("told: "); }))
        << "the taken shortcuts were not told";
    // Joined as the interface's language (English here) joins a list.
    EXPECT_TRUE(desktop.kelvraSaid("Ctrl+Alt+U"));
    EXPECT_FALSE(desktop.kelvraSaid("、"));
    if (managerHoldsArrows) {
        EXPECT_TRUE(desktop.kelvraSaid("Ctrl+Alt+←, "));
        EXPECT_TRUE(desktop.kelvraSaid("and Ctrl+Alt+"));
    }
    Window w = desktop.startTestClient({"ordinary"});
    const Box before = *desktop.frame(w);
    desktop.activate(w);
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_Return, zone::maximized));

    desktop.pressShortcut(XK_u);
    XEvent press;
    EXPECT_TRUE(Desktop::waitUntil([&] { return XCheckTypedEvent(holder, KeyPress, &press); }))
        << "the holder lost its combination";
    // Not D: xfwm4 and IceWM show the desktop with it.
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_g, zone::rightThird));
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_BackSpace, before));
    EXPECT_FALSE(desktop.ownWindow("Kelvra")) << "a window came";
    EXPECT_TRUE(desktop.kelvraRunning());
    XCloseDisplay(holder);
}

}  // namespace
}  // namespace kelvra::e2e
