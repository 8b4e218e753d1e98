// The zone picker on a real X server under openbox: Ctrl+Alt+Space opens a panel of
// Kelvra's own that takes the keyboard while the user's window stays the active one,
// and the zone picked with the keys, a digit or the pointer lands on that window.
#include <X11/keysym.h>

#include <algorithm>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

using zone::rightHalf;

class Hud : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop.startKelvra();
        window = desktop.startTestClient({"picker target"});
        desktop.activate(window);
        original = *desktop.frame(window);
    }
    // Opens the picker with the shortcut and waits until it is up (Kelvra's window of the
    // picker's size) and holds the keyboard, so that a grab of our own fails.
    std::optional<OwnWindow> openPicker() {
        desktop.pressShortcut(XK_space);
        std::optional<OwnWindow> panel;
        const bool ready = Desktop::waitUntil([&] {
            panel = picker();
            if (!panel) return false;
            Display* d = desktop.display();
            if (XGrabKeyboard(d, desktop.root(), False, GrabModeAsync, GrabModeAsync,
                              CurrentTime) == AlreadyGrabbed)
                return true;
            XUngrabKeyboard(d, CurrentTime);
            XSync(d, False);
            return false;
        });
        return ready ? panel : std::nullopt;
    }
    std::optional<OwnWindow> picker() {
        for (const auto& own : desktop.kelvraWindows())
            if (own.box.width == 444 && own.box.height == 254) return own;
        return std::nullopt;
    }
    bool pickerGone() {
        return Desktop::waitUntil([&] { return !picker(); });
    }

    Desktop desktop;
    Window window = 0;
    Box original;
};

TEST_F(Hud, OpensCentredWithoutTakingTheActiveWindowAndArrowsAndReturnApply) {
    auto panel = openPicker();
    ASSERT_TRUE(panel);
    EXPECT_EQ(desktop.activeWindow(), window);
    EXPECT_TRUE(panel->overrideRedirect);
    auto clients = desktop.property(desktop.root(), "_NET_CLIENT_LIST");
    EXPECT_EQ(std::count(clients.begin(), clients.end(), long(panel->window)), 0);
    EXPECT_TRUE(near(panel->box, {498, 323, 444, 254})) << panel->box;

    desktop.pressKey(XK_Right);
    desktop.pressKey(XK_Return);
    EXPECT_TRUE(desktop.reaches(window, rightHalf));
    EXPECT_TRUE(pickerGone());
    EXPECT_EQ(desktop.activeWindow(), window);
}

TEST_F(Hud, EscapeAClickElsewhereOrTheShortcutCloseWithoutMovingAnything) {
    ASSERT_TRUE(openPicker());
    desktop.pressKey(XK_Escape);
    EXPECT_TRUE(pickerGone());
    ASSERT_TRUE(openPicker());
    desktop.click({300, 250});  // on the user's window
    EXPECT_TRUE(pickerGone());
    ASSERT_TRUE(openPicker());
    desktop.pressShortcut(XK_space);  // the shortcut again, while the picker has the keys
    EXPECT_TRUE(pickerGone());
    // A snap would follow the close at once; the frame stays what it was.
    EXPECT_EQ(desktop.waitForChange(window, original, 500ms), original);
    // The keyboard is back with the user's window: a shortcut works again.
    EXPECT_TRUE(desktop.pressAndExpect(window, XK_Right, rightHalf));
}

TEST_F(Hud, ADigitOrAClickOnACellApplies) {
    ASSERT_TRUE(openPicker());
    desktop.pressKey(XK_3);
    EXPECT_TRUE(desktop.reaches(window, zone::topHalf));
    EXPECT_TRUE(pickerGone());

    auto panel = openPicker();
    ASSERT_TRUE(panel);
    // Cell 1 (right half): 16 of padding, then one cell of 76 and a gap of 8.
    desktop.click({int(panel->box.x + 16 + 84 + 38), int(panel->box.y + 16 + 46)});
    EXPECT_TRUE(desktop.reaches(window, rightHalf));
    EXPECT_TRUE(pickerGone());
}

}  // namespace
}  // namespace kelvra::e2e
