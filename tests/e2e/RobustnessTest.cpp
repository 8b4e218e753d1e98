// The program keeps working when the desktop misbehaves under it.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

TEST(Robustness, AWindowThatVanishesDuringASnapCausesNoHarm) {
    Desktop desktop;
    desktop.startKelvra();
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

    Window survivor = desktop.startTestClient(
        {.title = "survivor", .arguments = {"--geometry", "400x300+200+150"}});
    desktop.activate(survivor);
    desktop.pressShortcut(XK_Right);
    const Box rightHalf{724, 0, 716, 900};
    auto got = desktop.waitForFrame(survivor, rightHalf);
    ASSERT_TRUE(got);
    EXPECT_PRED3(near, *got, rightHalf, 1.0);
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

    const Box bottomHalf{0, 454, 1440, 446};
    desktop.pressShortcut(XK_Down);
    auto got = desktop.waitForFrame(w, bottomHalf);
    ASSERT_TRUE(got);
    EXPECT_PRED3(near, *got, bottomHalf, 1.0);
    // The program's other combinations are all there.
    desktop.pressShortcut(XK_BackSpace);
    got = desktop.waitForFrame(w, *before);
    ASSERT_TRUE(got);
    EXPECT_PRED3(near, *got, *before, 1.0);
    EXPECT_TRUE(desktop.kelvraRunning());
}

TEST(Robustness, ASecondStartInTheSameSessionLeavesTheFirstInCharge) {
    Desktop desktop;
    desktop.startKelvra();
    EXPECT_EQ(desktop.runAnotherKelvra(), 0) << "the second start did not give way";

    Window w = desktop.startTestClient(
        {.title = "after second start", .arguments = {"--geometry", "400x300+200+150"}});
    desktop.activate(w);
    const Box leftHalf{0, 0, 716, 900};
    desktop.pressShortcut(XK_Left);
    auto got = desktop.waitForFrame(w, leftHalf);
    ASSERT_TRUE(got);
    EXPECT_PRED3(near, *got, leftHalf, 1.0);
    EXPECT_TRUE(desktop.kelvraRunning());
}

}  // namespace
}  // namespace kelvra::e2e
