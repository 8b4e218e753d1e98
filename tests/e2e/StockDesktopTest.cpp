// The shortcuts on desktops as they come: the manager's stock bindings and the keymap's
// server actions decide what the program offers and registers.
#include <X11/keysym.h>

#include <algorithm>
#include <map>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

// openbox, xfwm4, IceWM and Fluxbox as Debian ships them hold Ctrl+Alt+←/→: the first
// start shows the set with those marked and offers a set free here (Ctrl+Super where the
// manager leaves it alone), the page's first button; taken with Enter, every shortcut
// snaps with it, and no alert comes. (Mutter and KWin
// leave the defaults free here.)
TEST(StockDesktop, AFirstStartOffersAFreeSetAndEveryShortcutSnapsWithIt) {
    Desktop desktop({.stockWindowManagerConfig = true});
    if (desktop.grabbable(XK_Left, ControlMask | Mod1Mask))
        GTEST_SKIP() << "its stock configuration leaves every default free: nothing to offer";
    ASSERT_TRUE(desktop.startFirstLaunch());
    desktop.pressKey(XK_Return);  // Continue
    ASSERT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraSaid("offering "); }))
        << desktop.kelvra().logText();
    // The set offered ("offering Ctrl+Super instead"), as the keys that press it.
    const std::string log = desktop.kelvra().logText();
    const size_t from = log.find("offering ") + 9;
    const std::string offered = log.substr(from, log.find(" instead", from) - from);
    const std::map<std::string, std::pair<unsigned long, unsigned int>> modifierKeys = {
        {"Ctrl", {XK_Control_L, ControlMask}},
        {"Alt", {XK_Alt_L, Mod1Mask}},
        {"Shift", {XK_Shift_L, ShiftMask}},
        {"Super", {XK_Super_L, Mod4Mask}}};
    std::vector<unsigned long> modifiers;
    unsigned int mask = 0;
    for (size_t at = 0; at <= offered.size();) {
        const size_t plus = std::min(offered.find('+', at), offered.size());
        const auto key = modifierKeys.find(offered.substr(at, plus - at));
        ASSERT_NE(key, modifierKeys.end()) << offered;
        modifiers.push_back(key->second.first);
        mask |= key->second.second;
        at = plus + 1;
    }
    usleep(300000);
    desktop.pressKey(XK_Return);  // Use the offered set
    usleep(300000);
    desktop.pressKey(XK_Return);  // Get started
    EXPECT_TRUE(Desktop::waitUntil([&] { return !desktop.ownWindow("Kelvra"); }));
    ASSERT_TRUE(Desktop::waitUntil([&] { return !desktop.grabbable(XK_space, mask); }, 10s));

    Window w = desktop.startActiveClient({"stock"});
    for (const auto& [key, box] : zone::byShortcut()) {
        auto keys = modifiers;
        keys.push_back(key);
        desktop.pressKeys(keys);
        EXPECT_TRUE(desktop.reaches(w, box)) << "keysym " << key;
    }
    EXPECT_FALSE(desktop.ownWindow("Kelvra")) << "an alert came";
    EXPECT_FALSE(desktop.kelvraSaid("they do nothing"));
}

// Where the keymap ends the session with Ctrl+Alt+Backspace, restore's default is never
// grabbed (a press must not look like Kelvra's), and the other defaults are.
TEST(StockDesktop, AKeymapThatEndsTheSessionWithCtrlAltBackspaceNeverGetsItRegistered) {
    Desktop desktop;
    ASSERT_EQ(desktop.run({"setxkbmap", "-option", "terminate:ctrl_alt_bksp"}), 0);
    desktop.startKelvra();
    ASSERT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraSaid("Ctrl+Alt+Backspace"); }));
    EXPECT_TRUE(desktop.grabbable(XK_BackSpace, ControlMask | Mod1Mask));
    EXPECT_FALSE(desktop.grabbable(XK_c, ControlMask | Mod1Mask));
}

}  // namespace
}  // namespace kelvra::e2e
