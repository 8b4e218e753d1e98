// The zone picker: a panel of Kelvra's own takes the keyboard while the
// user's window stays the active one and gets the zone picked.
#include <algorithm>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

TEST(ZonePicker, ArrowsOrAClickApplyAndEscapeAClickElsewhereOrTheShortcutClose) {
    Desktop desktop;
    desktop.startKelvra();
    Window window = desktop.startActiveClient({"picker target"});
    auto picker = [&]() -> std::optional<OwnWindow> {
        for (const auto& own : desktop.kelvraWindows())
            if (own.box.width == 444 && own.box.height == 254) return own;
        return std::nullopt;
    };
    // Waits until the picker is up and holds the keyboard, so that a grab of our own fails.
    auto openPicker = [&] {
        desktop.pressShortcut(XK_space);
        std::optional<OwnWindow> panel;
        Display* d = desktop.display();
        const bool ready = Desktop::waitUntil([&] {
            if (!(panel = picker())) return false;
            const bool held = XGrabKeyboard(d, desktop.root(), False, GrabModeAsync, GrabModeAsync,
                                            CurrentTime) == AlreadyGrabbed;
            XUngrabKeyboard(d, CurrentTime);  // ours, if we got it
            XSync(d, False);
            return held;
        });
        return ready ? panel : std::nullopt;
    };
    auto pickerGone = [&] { return Desktop::waitUntil([&] { return !picker(); }); };

    auto panel = openPicker();
    ASSERT_TRUE(panel);
    EXPECT_EQ(desktop.activeWindow(), window);
    EXPECT_TRUE(panel->overrideRedirect);
    auto clients = desktop.property(desktop.root(), "_NET_CLIENT_LIST");
    EXPECT_EQ(std::count(clients.begin(), clients.end(), long(panel->window)), 0);
    // Centred on the usable area (the single monitor's, so root and working space agree).
    const Box& area = zone::maximized;
    EXPECT_TRUE(near(panel->box,
                     {area.x + (area.width - 444) / 2, area.y + (area.height - 254) / 2, 444, 254}))
        << panel->box;
    desktop.pressKey(XK_Right);
    desktop.pressKey(XK_Return);
    EXPECT_TRUE(desktop.reaches(window, zone::rightHalf));
    EXPECT_TRUE(pickerGone());
    EXPECT_EQ(desktop.activeWindow(), window);

    ASSERT_TRUE(openPicker());
    desktop.pressKey(XK_Escape);
    EXPECT_TRUE(pickerGone());
    ASSERT_TRUE(openPicker());
    desktop.click({1000, 250});  // on the user's window
    EXPECT_TRUE(pickerGone());
    ASSERT_TRUE(openPicker());
    desktop.pressShortcut(XK_space);  // the shortcut again, while the picker has the keys
    EXPECT_TRUE(pickerGone());
    // A snap would follow the close at once; the frame stays what it was.
    EXPECT_EQ(desktop.waitForChange(window, zone::rightHalf, 500ms), zone::rightHalf);
    // The keyboard is back with the user's window: a shortcut works again.
    EXPECT_TRUE(desktop.pressAndExpect(window, XK_Left, zone::leftHalf));

    panel = openPicker();
    ASSERT_TRUE(panel);
    // Cell 1 (right half): 16 of padding, then one cell of 76 and a gap of 8.
    desktop.click({int(panel->box.x + 16 + 84 + 38), int(panel->box.y + 16 + 46)});
    EXPECT_TRUE(desktop.reaches(window, zone::rightHalf));
    EXPECT_TRUE(pickerGone());
}

}  // namespace
}  // namespace kelvra::e2e
