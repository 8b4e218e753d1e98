// The program keeps working when the desktop misbehaves under it.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

TEST(Robustness, ASecondStartGivesWayAndVanishingWindowsCauseNoHarm) {
    Desktop desktop;
    desktop.startKelvra();
    EXPECT_EQ(desktop.runAnotherKelvra(), 0) << "the second start did not give way";
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Window doomed = desktop.startTestClient({.title = "doomed " + std::to_string(round),
                                                 .arguments = {"--geometry", "400x300+200+150"}});
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
    Window survivor = desktop.startTestClient(
        {.title = "survivor", .arguments = {"--geometry", "400x300+200+150"}});
    desktop.activate(survivor);
    EXPECT_TRUE(desktop.pressAndExpect(survivor, XK_Right, {724, 0, 716, 900}));
    EXPECT_TRUE(desktop.kelvraRunning());
}

TEST(Robustness, ACombinationHeldByAnotherClientIsSkippedAndTheOthersWork) {
    Desktop desktop;
    KeyHolder holder(desktop.displayName(), XK_Left);
    ASSERT_TRUE(holder.holding());
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
    Window w =
        desktop.startTestClient({.title = "held", .arguments = {"--geometry", "400x300+200+150"}});
    desktop.activate(w);
    auto before = desktop.frame(w);
    ASSERT_TRUE(before);

    desktop.pressShortcut(XK_Left);
    EXPECT_TRUE(holder.receivedPress()) << "the holder lost its combination";
    // The program's other combinations are all there.
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_Down, {0, 454, 1440, 446}));
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_BackSpace, *before));
}

}  // namespace
}  // namespace kelvra::e2e
