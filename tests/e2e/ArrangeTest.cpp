// Workspaces and placement rules on a real desktop: applications launched from real
// desktop entries in the session's own data folder, windows found again and placed.
#include <X11/keysym.h>

#include <fstream>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

// openbox reserves nothing, and the gap is 8: the zones of a 1440 x 900 monitor.
const Box leftHalf{0, 0, 716, 900};
const Box rightHalf{724, 0, 716, 900};
const Box topHalf{0, 0, 1440, 446};
const Box bottomHalf{0, 454, 1440, 446};
// The snap engine gives thirds whole pixels.
const Box rightThird{964, 0, 476, 900};

constexpr unsigned controlOption = 0x1800;

// An application entry in the session's data folder that starts the test client with
// this title and window class.
void writeEntry(Desktop& desktop, const std::string& id, const std::string& name,
                const std::string& title, bool declaresClass = true) {
    auto folder = desktop.home() / ".local/share/applications";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / (id + ".desktop"))
        << "[Desktop Entry]\nType=Application\nName=" << name << "\nExec=\"" << KELVRA_TESTCLIENT
        << "\" --title " << title << " --class " << (declaresClass ? name : "unrelated,Unrelated")
        << " --geometry 300x200+50+60\nStartupNotify=true\n"
        << (declaresClass ? "StartupWMClass=" + name + "\n" : "");
}

void writeEntries(Desktop& desktop) {
    writeEntry(desktop, "org.example.Alpha", "Alpha", "Alpha");
    writeEntry(desktop, "org.example.Beta", "Beta", "Beta");
}

Window startApp(Desktop& desktop, const std::string& name, const std::string& title) {
    return desktop.startTestClient(
        {.title = title,
         .arguments = {"--class", name + "," + name, "--geometry", "300x200+50+60"}});
}

nlohmann::json storedSettings(Desktop& desktop) {
    std::ifstream in(desktop.home() / ".config/kelvra/com.orvane.Kelvra.json");
    return nlohmann::json::parse(in, nullptr, false);
}

// Opens the tray menu and walks to the workspaces submenu (the sixth item).
void openWorkspacesMenu(Desktop& desktop) {
    ASSERT_TRUE(desktop.openTrayMenu()) << "the menu did not open";
    for (int i = 0; i < 6; ++i) desktop.pressKey(XK_Down);
    desktop.pressKey(XK_Right);
}

TEST(Arrange, AWorkspaceSavedFromTheTrayPutsMovedWindowsBack) {
    Desktop desktop;
    writeEntries(desktop);
    desktop.startTray();
    desktop.startKelvra();
    std::optional<Window> icon;
    ASSERT_TRUE(Desktop::waitUntil([&] { return (icon = desktop.trayIcon()).has_value(); }));
    Window a = startApp(desktop, "Alpha", "Alpha");
    Window b = startApp(desktop, "Beta", "Beta");
    desktop.activate(a);
    ASSERT_TRUE(desktop.pressAndExpect(a, XK_Left, leftHalf));
    desktop.activate(b);
    ASSERT_TRUE(desktop.pressAndExpect(b, XK_Right, rightHalf));

    openWorkspacesMenu(desktop);
    desktop.pressKey(XK_Return);  // "Save current layout…"
    ASSERT_TRUE(Desktop::waitUntil([&] {
        return desktop.findWindow("Save workspace").has_value();
    })) << "no name prompt";
    desktop.pressKey(XK_Return);  // the offered name
    nlohmann::json workspaces;
    ASSERT_TRUE(Desktop::waitUntil([&] {
        // Records are stored as {"$json": …}.
        auto stored = storedSettings(desktop);
        if (!stored.is_object() || !stored.contains("workspaces")) return false;
        workspaces = stored["workspaces"].value("$json", nlohmann::json::array());
        return workspaces.size() == 1;
    })) << desktop.kelvraLog();
    EXPECT_EQ(workspaces[0]["name"], "Workspace 1");
    std::map<std::string, std::string> zones;
    for (const auto& item : workspaces[0]["items"])
        zones[item["bundleID"]] = item.value("zone", "-");
    EXPECT_EQ(zones, (std::map<std::string, std::string>{{"org.example.Alpha", "leftHalf"},
                                                         {"org.example.Beta", "rightHalf"}}));

    desktop.activate(a);
    ASSERT_TRUE(desktop.pressAndExpect(a, XK_Up, topHalf));
    desktop.activate(b);
    ASSERT_TRUE(desktop.pressAndExpect(b, XK_Down, bottomHalf));
    openWorkspacesMenu(desktop);
    desktop.pressKey(XK_Down);  // past the separator to the saved workspace
    desktop.pressKey(XK_Return);
    auto gotA = desktop.waitForFrame(a, leftHalf);
    auto gotB = desktop.waitForFrame(b, rightHalf);
    ASSERT_TRUE(gotA && gotB);
    EXPECT_TRUE(near(*gotA, leftHalf)) << *gotA;
    EXPECT_TRUE(near(*gotB, rightHalf)) << *gotB;
}

// Gamma's windows carry a class its entry does not name: they are known by the process
// launched from the entry.
TEST(Arrange, RestoringByShortcutLaunchesClosedApplicationsFromTheirEntries) {
    Desktop desktop;
    writeEntries(desktop);
    writeEntry(desktop, "org.example.Gamma", "Gamma", "Gamma", false);
    const std::string id = "6A1F0C52-3B7D-4E8A-9C21-5D4E3F2A1B0C";
    auto item = [](const std::string& app, const std::string& zone, double x) {
        return nlohmann::json{{"bundleID", "org.example." + app},
                              {"appName", app},
                              {"title", app},
                              {"zone", zone},
                              {"x", x},
                              {"y", 0},
                              {"w", 716},
                              {"h", 900},
                              {"displayIndex", 0}};
    };
    desktop.writeSettings(
        {{"workspaces",
          {{{"id", id},
            {"name", "Desk"},
            {"items",
             {item("Alpha", "leftHalf", 0), item("Beta", "rightHalf", 724),
              item("Gamma", "bottomHalf", 0)}}}}},
         {"shortcuts",
          {{"showHUD", {{"keyCode", 49}, {"carbonModifiers", controlOption}}},
           {"workspace:" + id, {{"keyCode", 13}, {"carbonModifiers", controlOption}}}}}});
    desktop.startKelvra();
    Window a = startApp(desktop, "Alpha", "Alpha");
    Window b = startApp(desktop, "Beta", "Beta");
    desktop.closeWindow(b);
    ASSERT_TRUE(Desktop::waitUntil([&] { return !desktop.findWindow("Beta"); }));

    desktop.activate(a);
    desktop.pressShortcut(XK_w);
    auto gotA = desktop.waitForFrame(a, leftHalf);
    ASSERT_TRUE(gotA);
    EXPECT_TRUE(near(*gotA, leftHalf)) << *gotA;
    std::optional<Window> launched;
    ASSERT_TRUE(Desktop::waitUntil(
        [&] { return (launched = desktop.findWindow("Beta")).has_value(); }, 15s))
        << desktop.kelvraLog();
    auto gotB = desktop.waitForFrame(*launched, rightHalf, 5s);
    ASSERT_TRUE(gotB);
    EXPECT_TRUE(near(*gotB, rightHalf)) << *gotB << desktop.kelvraLog();
    ASSERT_TRUE(Desktop::waitUntil(
        [&] { return (launched = desktop.findWindow("Gamma")).has_value(); }, 15s));
    auto gotC = desktop.waitForFrame(*launched, bottomHalf, 5s);
    ASSERT_TRUE(gotC);
    EXPECT_TRUE(near(*gotC, bottomHalf)) << *gotC << desktop.kelvraLog();
}

TEST(Arrange, CustomLayoutZonesByShortcutFollowTheGridRule) {
    Desktop desktop;
    const std::string id = "1C9B8A76-5D4E-4F3A-8B2C-1D0E9F8A7B6C";
    auto zone = [](int col, int span) {
        return nlohmann::json{{"col", col}, {"row", 0}, {"colSpan", span}, {"rowSpan", 1}};
    };
    auto key = [](int code) {
        return nlohmann::json{{"keyCode", code}, {"carbonModifiers", controlOption}};
    };
    desktop.writeSettings({{"windowGap", 10.0},
                           {"customLayouts",
                            {{{"id", id},
                              {"name", "Thirds"},
                              {"columns", 3},
                              {"rows", 1},
                              {"zones", {zone(1, 1), zone(0, 2)}}}}},
                           {"shortcuts",
                            {{"showHUD", key(49)},
                             {"customZone:" + id + ":0", key(16)},
                             {"customZone:" + id + ":1", key(31)}}}});
    desktop.startKelvra();
    Window w = startApp(desktop, "Alpha", "Alpha");
    desktop.activate(w);
    // Cells of (1440 - 2 x 10) / 3: the middle one, then two cells and the gap between.
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_y, {483.33, 0, 473.33, 900}));
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_o, {0, 0, 956.67, 900}));
}

nlohmann::json rule(const std::string& app, const std::string& trigger,
                    const std::string& display) {
    static int n = 0;
    return {{"id", "7B2E1D63-4C8E-4F9B-AD32-6E5F4A3B2C" + std::to_string(10 + n++)},
            {"bundleID", "org.example." + app},
            {"appName", app},
            {"zone", "rightThird"},
            {"trigger", trigger},
            {"display", display},
            {"enabled", true}};
}

TEST(Arrange, ANewWindowRuleSendsEveryWindowToItsZone) {
    Desktop desktop;
    writeEntries(desktop);
    desktop.writeSettings({{"placementRules", {rule("Alpha", "newWindow", "any")}}});
    desktop.startKelvra();
    for (const char* title : {"Alpha one", "Alpha two"}) {
        Window w = startApp(desktop, "Alpha", title);
        auto got = desktop.waitForFrame(w, rightThird, 5s);
        ASSERT_TRUE(got);
        EXPECT_TRUE(near(*got, rightThird)) << title << " " << *got;
    }
}

TEST(Arrange, ARuleForTheBuiltInDisplayWaitsOnADesktopWithoutOne) {
    Desktop desktop(
        {.screen = "2880x900x24",
         .monitors = {{"DP-1", 0, 0, 1440, 900, true}, {"HDMI-1", 1440, 0, 1440, 900, false}}});
    writeEntries(desktop);
    desktop.writeSettings(
        {{"placementRules", {rule("Beta", "launch", "any"), rule("Alpha", "launch", "builtin")}}});
    desktop.startKelvra();
    Window b = startApp(desktop, "Beta", "Beta");
    auto got = desktop.waitForFrame(b, rightThird, 5s);
    ASSERT_TRUE(got);
    EXPECT_TRUE(near(*got, rightThird)) << *got;
    Window a = startApp(desktop, "Alpha", "Alpha");
    auto before = desktop.frame(a);
    ASSERT_TRUE(before);
    EXPECT_EQ(desktop.waitForChange(a, *before, 2s), before);
}

// A monitor on a laptop panel's connector (eDP) is the built-in display.
TEST(Arrange, ARuleForTheBuiltInDisplayUsesTheLaptopPanel) {
    Desktop desktop(
        {.screen = "2880x900x24",
         .monitors = {{"DP-1", 0, 0, 1440, 900, true}, {"eDP-1", 1440, 0, 1440, 900, false}}});
    writeEntries(desktop);
    desktop.writeSettings({{"placementRules", {rule("Alpha", "launch", "builtin")}}});
    desktop.startKelvra();
    Window a = startApp(desktop, "Alpha", "Alpha");
    const Box onPanel{1440 + rightThird.x, 0, rightThird.width, 900};
    auto got = desktop.waitForFrame(a, onPanel, 5s);
    ASSERT_TRUE(got);
    EXPECT_TRUE(near(*got, onPanel)) << *got;
}

// A splash screen first, then the real window, which puts itself back to its own
// geometry a moment after it maps: the rule lands on the real window and stays.
TEST(Arrange, ALaunchRuleSkipsTheSplashAndOutlastsAWindowThatMovesItselfBack) {
    Desktop desktop;
    writeEntries(desktop);
    desktop.writeSettings({{"placementRules", {rule("Alpha", "launch", "any")}}});
    desktop.startKelvra();
    Window a = desktop.startTestClient(
        {.title = "Alpha",
         .arguments = {"--class", "Alpha,Alpha", "--geometry", "300x200+50+60", "--splash-first",
                       "1000", "--reassert-after", "700"}});
    auto got = desktop.waitForFrame(a, rightThird, 5s);
    ASSERT_TRUE(got);
    EXPECT_TRUE(near(*got, rightThird)) << *got;
    desktop.waitForChange(a, *got, 2s);  // the client's own move, if it came after
    got = desktop.waitForFrame(a, rightThird, 3s);
    ASSERT_TRUE(got);
    EXPECT_TRUE(near(*got, rightThird)) << *got;
}

}  // namespace
}  // namespace kelvra::e2e
