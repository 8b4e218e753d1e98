// The program keeps working when the desktop misbehaves under it.
#include <X11/keysym.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

TEST(Robustness, ASecondStartGivesWayAndVanishingWindowsCauseNoHarm) {
    Desktop desktop;
    desktop.startKelvra();
    EXPECT_EQ(desktop.runAnotherKelvra(), 0) << "the second start did not give way";
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Window doomed = desktop.startTestClient({"doomed " + std::to_string(round)});
        desktop.activate(doomed);
        // The press and the destruction reach the server in one batch, so the
        // program meets a window that is already gone while it snaps.
        desktop.pressShortcut(XK_Left);
        if (round == 0) {
            XDestroyWindow(desktop.display(), doomed);
        } else {
            XKillClient(desktop.display(), doomed);
        }
        XSync(desktop.display(), False);
    }
    // The first instance is still in charge.
    Window survivor = desktop.startTestClient({"survivor"});
    desktop.activate(survivor);
    EXPECT_TRUE(desktop.pressAndExpect(survivor, XK_Right, zone::rightHalf));
    EXPECT_TRUE(desktop.kelvraRunning());
}

TEST(Robustness, ACombinationHeldByAnotherClientIsSkippedAndTheOthersWork) {
    Desktop desktop;
    // Another client holds Control+Alt+Left on the root window.
    Display* holder = XOpenDisplay(desktop.displayName().c_str());
    XGrabKey(holder, XKeysymToKeycode(holder, XK_Left), ControlMask | Mod1Mask,
             DefaultRootWindow(holder), True, GrabModeAsync, GrabModeAsync);
    XSync(holder, False);
    desktop.startKelvra();
    // The program says which shortcut is taken; its alert comes up and takes the focus.
    // The user closes it before arranging a window (a dialog that is still open may
    // take the focus back from the window the test activates).
    std::optional<Window> alert;
    ASSERT_TRUE(Desktop::waitUntil([&] {
        alert = desktop.findWindow("Kelvra");
        return alert && desktop.activeWindow() == alert;
    }));
    desktop.closeWindow(*alert);
    ASSERT_TRUE(Desktop::waitUntil([&] { return !desktop.findWindow("Kelvra"); }));
    Window w = desktop.startTestClient({"held"});
    desktop.activate(w);
    const Box before = *desktop.frame(w);

    desktop.pressShortcut(XK_Left);
    XEvent press;
    EXPECT_TRUE(Desktop::waitUntil([&] { return XCheckTypedEvent(holder, KeyPress, &press); }))
        << "the holder lost its combination";
    // The program's other combinations are all there.
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_Down, zone::bottomHalf));
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_BackSpace, before));
    XCloseDisplay(holder);
}

}  // namespace
}  // namespace kelvra::e2e
