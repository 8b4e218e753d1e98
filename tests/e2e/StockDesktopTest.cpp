// The shortcuts on desktops as they come: the manager's stock bindings and the keymap's
// server actions decide what the program offers and registers.
#include <X11/keysym.h>

#include <algorithm>
#include <map>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

// Whether another client can grab the combination now (and gives it back at once).
bool grabbable(Desktop& desktop, unsigned long keysym, unsigned int modifiers) {
    static int error = 0;
    Display* probe = XOpenDisplay(desktop.displayName().c_str());
    auto previous = XSetErrorHandler([](Display*, XErrorEvent* e) {
        error = e->error_code;
        return 0;
    });
    error = 0;
    const KeyCode key = XKeysymToKeycode(probe, keysym);
    XGrabKey(probe, key, modifiers, DefaultRootWindow(probe), True, GrabModeAsync, GrabModeAsync);
    XSync(probe, False);
    const bool free = error != BadAccess;
    XSetErrorHandler(previous);
    XCloseDisplay(probe);
    return free;
}

// openbox, xfwm4, IceWM and Fluxbox as Debian ships them hold Ctrl+Alt+←/→: the first
// start shows the set with those marked and offers a set free here (Ctrl+Super where the
// manager leaves it alone), the page's first button; taken with Enter, every shortcut
// snaps with it, and no alert comes. (Mutter and KWin
// leave the defaults free here.)
TEST(StockDesktop, AFirstStartOffersAFreeSetAndEveryShortcutSnapsWithIt) {
    Desktop desktop({.stockWindowManagerConfig = true});
    if (grabbable(desktop, XK_Left, ControlMask | Mod1Mask))
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
    ASSERT_TRUE(Desktop::waitUntil([&] { return !grabbable(desktop, XK_space, mask); }, 10s));

    Window w = desktop.startTestClient({"stock"});
    desktop.activate(w);
    using namespace zone;
    const std::pair<unsigned long, Box> zones[] = {
        {XK_Left, leftHalf},    {XK_Right, rightHalf},  {XK_Up, topHalf},    {XK_Down, bottomHalf},
        {XK_Return, maximized}, {XK_u, topLeft},        {XK_i, topRight},    {XK_j, bottomLeft},
        {XK_k, bottomRight},    {XK_d, leftThird},      {XK_f, centreThird}, {XK_g, rightThird},
        {XK_e, leftTwoThirds},  {XK_t, rightTwoThirds},
    };
    for (const auto& [key, box] : zones) {
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
    EXPECT_TRUE(grabbable(desktop, XK_BackSpace, ControlMask | Mod1Mask));
    EXPECT_FALSE(grabbable(desktop, XK_c, ControlMask | Mod1Mask));
}

}  // namespace
}  // namespace kelvra::e2e
