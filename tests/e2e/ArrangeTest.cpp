// Workspaces, custom layouts and placement rules, with applications launched from desktop
// entries in the session's own data folder.
#include <X11/keysym.h>

#include <fstream>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

using namespace zone;

nlohmann::json key(int code) {
    return {{"keyCode", code}, {"carbonModifiers", 0x1800}};  // Control+Alt
}

// An application entry in the session's data folder that starts the test client with
// this title and window class, or a class the entry does not name.
void writeEntry(Desktop& desktop, const std::string& name, bool declaresClass = true) {
    auto folder = desktop.home() / ".local/share/applications";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / ("org.example." + name + ".desktop"))
        << "[Desktop Entry]\nType=Application\nName=" << name << "\nExec=\"" << KELVRA_TESTCLIENT
        << "\" --title " << name << " --class " << (declaresClass ? name : "unrelated,Unrelated")
        << "\nStartupNotify=true\n"
        << (declaresClass ? "StartupWMClass=" + name + "\n" : "");
}

Window startApp(Desktop& desktop, const std::string& name, const std::string& title) {
    return desktop.startTestClient({title, {"--class", name + "," + name}});
}

// The tray's own icon and menu are tested here too: its icon sits in trayer, and its
// first item, "Left half", snaps the active window without taking it.
TEST(Arrange, TheTrayMenuSnapsAWindowAndSavesAWorkspaceThatPutsMovedWindowsBack) {
    Desktop desktop;
    writeEntry(desktop, "Alpha");
    writeEntry(desktop, "Beta");
    desktop.startTray();
    desktop.startKelvra();
    ASSERT_TRUE(Desktop::waitUntil([&] { return desktop.trayIcon().has_value(); }))
        << "no icon in the tray";
    EXPECT_FALSE(desktop.kelvraSaid("no system tray"));
    Window a = startApp(desktop, "Alpha", "Alpha");
    Window b = startApp(desktop, "Beta", "Beta");
    desktop.activate(a);
    ASSERT_TRUE(desktop.openTrayMenu()) << "the menu did not open";
    EXPECT_EQ(desktop.activeWindow(), a) << "opening the menu took the active window";
    desktop.pressKey(XK_Down);
    desktop.pressKey(XK_Return);
    ASSERT_TRUE(desktop.reaches(a, leftHalf));
    // Opens the tray menu and walks to the workspaces submenu (the sixth item).
    auto openWorkspacesMenu = [&] {
        ASSERT_TRUE(desktop.openTrayMenu()) << "the menu did not open";
        for (int i = 0; i < 6; ++i) desktop.pressKey(XK_Down);
        desktop.pressKey(XK_Right);
    };
    auto snap = [&](Window w, unsigned long keysym, const Box& zone) {
        desktop.activate(w);
        ASSERT_TRUE(desktop.pressAndExpect(w, keysym, zone));
    };
    snap(b, XK_Right, rightHalf);
    openWorkspacesMenu();
    desktop.pressKey(XK_Return);  // "Save current arrangement…"
    ASSERT_TRUE(Desktop::waitUntil([&] {
        return desktop.findWindow("Save workspace").has_value();
    })) << "no name prompt";
    desktop.pressKey(XK_Return);  // the offered name
    nlohmann::json workspaces;
    ASSERT_TRUE(Desktop::waitUntil([&] {
        // Records are stored as {"$json": …}.
        auto stored = desktop.readSettings();
        if (!stored.is_object() || !stored.contains("workspaces")) return false;
        workspaces = stored["workspaces"].value("$json", nlohmann::json::array());
        return workspaces.size() == 1;
    }));
    EXPECT_EQ(workspaces[0]["name"], "Workspace 1");
    std::map<std::string, std::string> zones;
    for (const auto& item : workspaces[0]["items"])
        zones[item["bundleID"]] = item.value("zone", "-");
    EXPECT_EQ(zones, (std::map<std::string, std::string>{{"org.example.Alpha", "leftHalf"},
                                                         {"org.example.Beta", "rightHalf"}}));

    snap(a, XK_Up, topHalf);
    snap(b, XK_Down, bottomHalf);
    openWorkspacesMenu();
    desktop.pressKey(XK_Down);  // past the separator to the saved workspace
    desktop.pressKey(XK_Return);
    EXPECT_TRUE(desktop.reaches(a, leftHalf));
    EXPECT_TRUE(desktop.reaches(b, rightHalf));
}

// Gamma's windows carry a class its entry does not name: they are known by the process
// launched from the entry.
TEST(Arrange, RestoringByShortcutLaunchesClosedApplicationsFromTheirEntries) {
    Desktop desktop;
    writeEntry(desktop, "Alpha");
    writeEntry(desktop, "Beta");
    writeEntry(desktop, "Gamma", false);
    const std::string id = "6A1F0C52-3B7D-4E8A-9C21-5D4E3F2A1B0C";
    auto items = nlohmann::json::parse(R"([
        {"bundleID": "org.example.Alpha", "appName": "Alpha", "title": "Alpha",
         "zone": "leftHalf", "x": 0, "y": 0, "w": 716, "h": 900, "displayIndex": 0},
        {"bundleID": "org.example.Beta", "appName": "Beta", "title": "Beta",
         "zone": "rightHalf", "x": 724, "y": 0, "w": 716, "h": 900, "displayIndex": 0},
        {"bundleID": "org.example.Gamma", "appName": "Gamma", "title": "Gamma",
         "zone": "bottomHalf", "x": 0, "y": 0, "w": 716, "h": 900, "displayIndex": 0}])");
    desktop.writeSettings({{"workspaces", {{{"id", id}, {"name", "Desk"}, {"items", items}}}},
                           {"shortcuts", {{"showHUD", key(49)}, {"workspace:" + id, key(13)}}}});
    desktop.startKelvra();
    Window a = startApp(desktop, "Alpha", "Alpha");
    desktop.closeWindow(startApp(desktop, "Beta", "Beta"));
    ASSERT_TRUE(Desktop::waitUntil([&] { return !desktop.findWindow("Beta"); }));

    desktop.activate(a);
    desktop.pressShortcut(XK_w);
    EXPECT_TRUE(desktop.reaches(a, leftHalf));
    for (const auto& [title, expected] : {std::pair{"Beta", rightHalf}, {"Gamma", bottomHalf}}) {
        std::optional<Window> launched;
        ASSERT_TRUE(Desktop::waitUntil(
            [&] { return (launched = desktop.findWindow(title)).has_value(); }, 15s))
            << title;
        EXPECT_TRUE(desktop.reaches(*launched, expected, 5s)) << title;
    }
}

// A rule that puts the application's windows into the right third.
nlohmann::json rule(const std::string& app, const std::string& trigger,
                    const std::string& display) {
    static int n = 0;
    auto r = nlohmann::json::parse(R"({"zone": "rightThird", "enabled": true})");
    r.update({{"id", "7B2E1D63-4C8E-4F9B-AD32-6E5F4A3B2C" + std::to_string(10 + n++)},
              {"bundleID", "org.example." + app},
              {"appName", app},
              {"trigger", trigger},
              {"display", display}});
    return r;
}

TEST(Arrange, ANewWindowRuleSendsEveryWindowToItsZone) {
    Desktop desktop;
    writeEntry(desktop, "Alpha");
    desktop.writeSettings({{"placementRules", {rule("Alpha", "newWindow", "any")}}});
    desktop.startKelvra();
    for (const char* title : {"Alpha one", "Alpha two"})
        EXPECT_TRUE(desktop.reaches(startApp(desktop, "Alpha", title), rightThird, 5s)) << title;
}

// A monitor on a laptop panel's connector (eDP) is the built-in display; without one, a
// rule for it waits while a rule for any display applies.
TEST(Arrange, ARuleForTheBuiltInDisplayUsesTheLaptopPanelOrWaitsWithoutOne) {
    for (const bool panel : {true, false}) {
        SCOPED_TRACE(panel ? "with a laptop panel" : "without one");
        Desktop desktop({.screen = "2880x900x24",
                         .monitors = {{"DP-1", 0, 0, 1440, 900, true},
                                      {panel ? "eDP-1" : "HDMI-1", 1440, 0, 1440, 900, false}}});
        writeEntry(desktop, "Alpha");
        writeEntry(desktop, "Beta");
        desktop.writeSettings(
            {{"placementRules",
              {rule("Beta", "launch", "any"), rule("Alpha", "launch", "builtin")}}});
        desktop.startKelvra();
        EXPECT_TRUE(desktop.reaches(startApp(desktop, "Beta", "Beta"), rightThird, 5s));
        Window a = startApp(desktop, "Alpha", "Alpha");
        if (panel) {
            EXPECT_TRUE(desktop.reaches(a, {1440 + rightThird.x, 0, rightThird.width, 900}, 5s));
        } else {
            const auto before = desktop.frame(a);
            ASSERT_TRUE(before);
            EXPECT_EQ(desktop.waitForChange(a, *before, 2s), before);
        }
    }
}

}  // namespace
}  // namespace kelvra::e2e
