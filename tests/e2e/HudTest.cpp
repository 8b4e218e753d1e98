// The zone picker on a real X server under openbox: Ctrl+Alt+Space opens a panel of
// Kelvra's own that takes the keyboard while the user's window stays the active one,
// and the zone picked with the keys, a digit or the pointer lands on that window.
// gtest before Xlib, whose None macro would break it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

constexpr Box rightHalf{724, 0, 716, 900};
constexpr Box topHalf{0, 0, 1440, 446};
constexpr double panelWidth = 444;
constexpr double panelHeight = 254;

// Kelvra's mapped window of the picker's size, if there is one.
std::optional<OwnWindow> picker(Desktop& desktop) {
    for (const auto& w : desktop.kelvraWindows())
        if (w.box.width == panelWidth && w.box.height == panelHeight) return w;
    return std::nullopt;
}

// Whether some other client holds the keyboard: a grab of our own then fails.
bool keyboardHeldElsewhere(Desktop& desktop) {
    int status = XGrabKeyboard(desktop.display(), desktop.root(), False, GrabModeAsync,
                               GrabModeAsync, CurrentTime);
    if (status == GrabSuccess) {
        XUngrabKeyboard(desktop.display(), CurrentTime);
        XSync(desktop.display(), False);
    }
    return status == AlreadyGrabbed;
}

// Opens the picker with the shortcut and waits until it is up and holds the keyboard.
std::optional<OwnWindow> openPicker(Desktop& desktop) {
    desktop.pressShortcut(XK_space);
    std::optional<OwnWindow> panel;
    bool ready = Desktop::waitUntil([&] {
        panel = picker(desktop);
        return panel && keyboardHeldElsewhere(desktop);
    });
    return ready ? panel : std::nullopt;
}

void tap(Desktop& desktop, unsigned long keysym) {
    KeyCode key = XKeysymToKeycode(desktop.display(), keysym);
    ASSERT_NE(key, 0) << keysym;
    XTestFakeKeyEvent(desktop.display(), key, True, CurrentTime);
    XTestFakeKeyEvent(desktop.display(), key, False, CurrentTime);
    XSync(desktop.display(), False);
}

void click(Desktop& desktop, int x, int y) {
    XTestFakeMotionEvent(desktop.display(), -1, x, y, CurrentTime);
    XTestFakeButtonEvent(desktop.display(), 1, True, CurrentTime);
    XTestFakeButtonEvent(desktop.display(), 1, False, CurrentTime);
    XSync(desktop.display(), False);
}

// Whether the picker shows the accent colour at this point of its window.
bool isAccent(Desktop& desktop, Window window, int x, int y) {
    XImage* image = XGetImage(desktop.display(), window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return false;
    unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    unsigned long red = (pixel >> 16) & 0xff, blue = pixel & 0xff;
    return blue > 200 && red < 80;
}

bool pickerGone(Desktop& desktop) {
    return Desktop::waitUntil([&] { return !picker(desktop); });
}

class HudTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop.startKelvra();
        window = desktop.startTestClient(
            {.title = "picker target", .arguments = {"--geometry", "400x300+200+150"}});
        desktop.activate(window);
        original = desktop.frame(window).value_or(Box{});
    }

    Desktop desktop;
    Window window = 0;
    Box original;
};

TEST_F(HudTest, OpensCentredWithoutTakingTheActiveWindowAndArrowsAndReturnApply) {
    auto panel = openPicker(desktop);
    ASSERT_TRUE(panel) << desktop.kelvraLog();
    EXPECT_EQ(desktop.activeWindow(), window);
    EXPECT_TRUE(panel->overrideRedirect);
    auto clients = desktop.property(desktop.root(), "_NET_CLIENT_LIST");
    EXPECT_EQ(std::count(clients.begin(), clients.end(), long(panel->window)), 0);
    EXPECT_TRUE(near(panel->box, {498, 323, panelWidth, panelHeight})) << panel->box;

    tap(desktop, XK_Right);
    tap(desktop, XK_Return);
    auto seen = desktop.waitForFrame(window, rightHalf);
    EXPECT_TRUE(seen && near(*seen, rightHalf)) << (seen ? *seen : Box{});
    EXPECT_TRUE(pickerGone(desktop));
    EXPECT_EQ(desktop.activeWindow(), window);
}

TEST_F(HudTest, EscapeAClickElsewhereOrTheShortcutCloseWithoutMovingAnything) {
    ASSERT_TRUE(openPicker(desktop)) << desktop.kelvraLog();
    tap(desktop, XK_Escape);
    EXPECT_TRUE(pickerGone(desktop));

    ASSERT_TRUE(openPicker(desktop));
    click(desktop, 300, 250);  // on the user's window
    EXPECT_TRUE(pickerGone(desktop));

    ASSERT_TRUE(openPicker(desktop));
    desktop.pressShortcut(XK_space);  // the shortcut again, while the picker has the keys
    EXPECT_TRUE(pickerGone(desktop));

    // A snap would follow the close at once; the frame stays what it was.
    auto seen = desktop.waitForChange(window, original, 500ms);
    EXPECT_TRUE(seen && *seen == original) << (seen ? *seen : Box{});
    // The keyboard is back with the user's window: a shortcut works again.
    EXPECT_TRUE(desktop.pressAndExpect(window, XK_Right, rightHalf));
}

TEST_F(HudTest, ADigitOrAClickOnACellApplies) {
    ASSERT_TRUE(openPicker(desktop)) << desktop.kelvraLog();
    tap(desktop, XK_3);
    auto seen = desktop.waitForFrame(window, topHalf);
    EXPECT_TRUE(seen && near(*seen, topHalf)) << (seen ? *seen : Box{});
    EXPECT_TRUE(pickerGone(desktop));

    auto panel = openPicker(desktop);
    ASSERT_TRUE(panel);
    // Cell 1 (right half): 16 of padding, then one cell of 76 and a gap of 8.
    click(desktop, int(panel->box.x + 16 + 84 + 38), int(panel->box.y + 16 + 46));
    seen = desktop.waitForFrame(window, rightHalf);
    EXPECT_TRUE(seen && near(*seen, rightHalf)) << (seen ? *seen : Box{});
    EXPECT_TRUE(pickerGone(desktop));

    // Hovering selects: once cell 7 (right third) shows the accent, Return picks it.
    panel = openPicker(desktop);
    ASSERT_TRUE(panel);
    // Painted with cell 0 (left half) selected: its miniature's left half in the accent.
    ASSERT_TRUE(Desktop::waitUntil([&] { return isAccent(desktop, panel->window, 36, 48); }));
    EXPECT_FALSE(isAccent(desktop, panel->window, 238, 148));
    XTestFakeMotionEvent(desktop.display(), -1, int(panel->box.x + 16 + 2 * 84 + 30),
                         int(panel->box.y + 16 + 100 + 40), CurrentTime);
    XSync(desktop.display(), False);
    // Inside the filled third of cell 7's miniature: grey until the cell is selected.
    EXPECT_TRUE(Desktop::waitUntil([&] { return isAccent(desktop, panel->window, 238, 148); }));
    tap(desktop, XK_Return);
    const Box rightThird{964, 0, 476, 900};
    seen = desktop.waitForFrame(window, rightThird);
    EXPECT_TRUE(seen && near(*seen, rightThird)) << (seen ? *seen : Box{});
}

}  // namespace
}  // namespace kelvra::e2e
