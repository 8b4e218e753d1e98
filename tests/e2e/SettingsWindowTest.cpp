// The settings window and the welcome window, driven from the keyboard through XTest.
#include <X11/keysym.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

bool fileSays(Desktop& desktop, const std::function<bool(const nlohmann::json&)>& check) {
    return Desktop::waitUntil([&] {
        auto j = desktop.readSettings();
        return j.is_object() && check(j);
    });
}

TEST(SettingsWindow, EachTabOpensAndItsFirstControlWritesTheSettingsFile) {
    Desktop desktop;
    desktop.writeSettings(
        {{"placementRules",
          {{{"id", "7B2E1D63-4C8E-4F9B-AD32-6E5F4A3B2C10"},
            {"bundleID", "org.example.Alpha"},
            {"appName", "Alpha"},
            {"trigger", "launch"},
            {"display", "any"},
            {"zone", "rightThird"},
            {"enabled", true}}}},
         {"excludedApps", {{{"bundleID", "org.example.Beta"}, {"name", "Beta"}}}}});
    desktop.startKelvra();
    struct Case {
        std::string tab;
        std::vector<std::vector<unsigned long>> keys;  // after the window has the focus
        std::function<bool(const nlohmann::json&)> written;
    };
    const std::vector<Case> cases = {
        {"general",
         {{XK_Tab}, {XK_space}},
         [](auto& j) { return j.value("launchAtLogin", false); }},
        {"snap", {{XK_Tab}, {XK_space}}, [](auto& j) { return !j.value("dragSnapEnabled", true); }},
        {"tiling", {{XK_Tab}, {XK_space}}, [](auto& j) { return !j.value("tilingEnabled", true); }},
        // "Save current arrangement", then Enter in the name field: the numbered default name.
        {"workspaces",
         {{XK_Tab}, {XK_space}, {XK_Return}},
         [](auto& j) {
             return j.contains("workspaces") &&
                    j["workspaces"].dump().find("Workspace 1") != std::string::npos;
         }},
        // Past "Add rule" to the rule's switch.
        {"autoPlace",
         {{XK_Tab}, {XK_Tab}, {XK_space}},
         [](auto& j) {
             return j.contains("placementRules") &&
                    j["placementRules"].dump().find("\"enabled\":false") != std::string::npos;
         }},
        // Past the chooser button to the excluded app's Remove button.
        {"exclude",
         {{XK_Tab}, {XK_Tab}, {XK_space}},
         [](auto& j) {
             return j.contains("excludedApps") &&
                    j["excludedApps"].dump().find("Beta") == std::string::npos;
         }},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(desktop.openSettings(c.tab)) << c.tab;
        for (const auto& k : c.keys) {
            desktop.pressKeys(k);
            usleep(150000);  // a turn of the program's loop between keys redraws the page
        }
        EXPECT_TRUE(fileSays(desktop, c.written)) << c.tab << ": " << desktop.readSettings().dump();
    }
    // The remaining tabs open (their changes need a pointer or another program).
    for (const char* tab : {"shortcuts", "layout", "account"})
        EXPECT_TRUE(desktop.openSettings(tab));
    // Closing hides the window, and the program stays though no tray runs here (the tray's
    // icon and menu are tested in ArrangeTest): a later start shows the window again.
    desktop.closeWindow(*desktop.settingsWindow());
    EXPECT_TRUE(Desktop::waitUntil([&] { return !desktop.settingsWindow(); }));
    EXPECT_TRUE(desktop.kelvraSaid("no system tray"));
    EXPECT_EQ(desktop.runAnotherKelvra(), 0);
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.settingsWindow().has_value(); }));
    EXPECT_TRUE(desktop.kelvraRunning());
}

// A row of the shortcuts tab records the next combination from the keyboard into the
// settings file, in the program's own key codes (16 is Y), and the program registers it:
// pressing it snaps a window.
TEST(SettingsWindow, AShortcutRecordedInTheShortcutsTabIsStoredAndRegistered) {
    Desktop desktop;
    desktop.startKelvra();
    ASSERT_TRUE(desktop.openSettings("shortcuts"));
    desktop.pressKey(XK_Tab);  // the first row: Snap to Left half
    usleep(150000);
    desktop.pressKey(XK_space);  // starts recording
    usleep(300000);
    desktop.pressKeys({XK_Control_L, XK_Alt_L, XK_y});
    EXPECT_TRUE(fileSays(desktop, [](auto& j) {
        const auto table =
            j.value("shortcuts", nlohmann::json::object()).value("$json", nlohmann::json::object());
        return table.contains("snapLeftHalf") && table["snapLeftHalf"].value("keyCode", 0) == 16 &&
               table["snapLeftHalf"].value("carbonModifiers", 0) == 6144;
    })) << desktop.readSettings().dump();
    // Registered once the recording has ended and the table change has settled.
    Window w = desktop.startActiveClient({"recorded"});
    usleep(500000);
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_y, zone::leftHalf));
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_Right, zone::rightHalf));
}

// A first launch shows the welcome window instead of starting; Continue passes the
// desktop check at once (an X11 session with a window manager), Get started completes
// it, and the core starts: the shortcuts work.
TEST(Onboarding, CompletingItFromTheKeyboardStartsTheCore) {
    Desktop desktop;
    ASSERT_TRUE(desktop.startFirstLaunch());
    desktop.pressKey(XK_Return);  // Continue
    usleep(300000);
    desktop.pressKey(XK_Return);  // Get started
    EXPECT_TRUE(
        fileSays(desktop, [](auto& j) { return j.value("hasCompletedOnboarding", false); }));
    EXPECT_TRUE(Desktop::waitUntil([&] { return !desktop.ownWindow("Kelvra"); }));
    Window w = desktop.startActiveClient({"after onboarding"});
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_Left, zone::leftHalf));
}

}  // namespace
}  // namespace kelvra::e2e
