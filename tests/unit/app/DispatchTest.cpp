#include <algorithm>

#include "DelegateFixture.h"
#include "app/ShortcutForecaster.h"
#include "app/TrayController.h"
#include "arrange/WorkspaceManager.h"
#include "engine/SnapEngine.h"
#include "input/ShortcutManager.h"
#include "input/ZonePickerController.h"
#include "settings/CustomLayout.h"

namespace kelvra::test {
namespace {

const Rect leftHalf{0, 25, 716, 875};  // default gap 8: 720 - 4
const Rect original{100, 100, 600, 400};

TEST_F(DelegateTest, RefusesSilentlyWhenTheWindowMayNotBeMoved) {
    auto& d = launch();
    auto refused = [&](const char* why) {
        d.dispatcher().perform(SnapAction::snapLeftHalf);
        EXPECT_EQ(frame(), original) << why;
    };
    settings().paused.set(true);
    refused("paused");
    settings().paused.set(false);
    desktop.setCanControlWindows(false);
    refused("untrusted");
    desktop.setCanControlWindows(true);
    for (auto kind :
         {port::WindowKind::dialog, port::WindowKind::floating, port::WindowKind::other}) {
        desktop.setKind(window, kind);
        refused("not a standard window");
    }
    desktop.setKind(window, port::WindowKind::standard);
    settings().excludedApps.set({{"org.example.Editor", "Editor"}});
    d.dispatcher().applyToFrontmost(ZoneID::rightHalf);
    refused("excluded");
    settings().excludedApps.set({{"org.example.editor", "Editor"}});
    d.dispatcher().perform(SnapAction::snapLeftHalf);
    EXPECT_EQ(frame(), leftHalf) << "exclusion is case-sensitive";
}

TEST_F(DelegateTest, NeverMovesItsOwnWindowsOrNothing) {
    auto& d = launch();
    auto own = desktop.addWindow(desktop.ownPid(), {.frame = {10, 40, 300, 200}});
    desktop.setFrontmostApp(desktop.ownPid());
    d.dispatcher().perform(SnapAction::maximize);
    d.dispatcher().applyToFrontmost(ZoneID::maximize);
    d.dispatcher().applyCustomZone({Uuid::random(), "Two", 2, 1, {{0, 0, 1, 1}}}, 0);
    EXPECT_EQ(desktop.windowFrame(own), (Rect{10, 40, 300, 200}));
    desktop.setFrontmostApp(std::nullopt);
    d.dispatcher().perform(SnapAction::maximize);  // no frontmost window: no crash
    EXPECT_EQ(frame(), original);
}

TEST_F(DelegateTest, MenuZonePickerAndCustomZonesStillWorkWhilePaused) {
    auto& d = launch();
    settings().paused.set(true);
    d.components().zonePicker().onApply.emit(ZoneID::rightHalf);
    EXPECT_EQ(frame(), (Rect{724, 25, 716, 875}));
    d.components().trayController().onZoneSelected.emit(ZoneID::leftHalf);
    EXPECT_EQ(frame(), leftHalf);

    CustomLayout layout{Uuid::random(), "Thirds", 3, 1, {{1, 0, 2, 1}}};
    settings().excludedApps.set({{"org.example.Editor", "Editor"}});
    // Cells of (1440 - 16) / 3; the zone spans two cells and the gap between them.
    const Rect twoCells{482.6667, 25, 957.3333, 875};
    for (int index : {0, 1, -1}) {  // the last two lie outside the layout: nothing
        d.components().trayController().onApplyCustomZone.emit(layout, index);
        EXPECT_TRUE(frame().approximatelyEquals(twoCells, 0.001)) << index << frame();
    }
    desktop.setCanControlWindows(false);  // the HUD toggles even untrusted
    d.handleShortcut("showHUD");
    EXPECT_TRUE(d.components().zonePicker().hasVisiblePanel());
    d.handleShortcut("showHUD");
    EXPECT_FALSE(d.components().zonePicker().hasVisiblePanel());
}

// Where the picker must take the focus to have the keys, the window in front when it
// opened still gets the zone picked.
TEST_F(DelegateTest, ThePickerActsOnTheWindowInFrontWhenItOpened) {
    auto& d = launch();
    d.handleShortcut("showHUD");
    ASSERT_TRUE(d.components().zonePicker().hasVisiblePanel());
    auto own = desktop.addWindow(desktop.ownPid(), {.frame = {10, 40, 300, 200}});
    desktop.setFocusedWindow(desktop.ownPid(), own);
    desktop.setFrontmostApp(desktop.ownPid());
    d.components().zonePicker().onApply.emit(ZoneID::leftHalf);
    EXPECT_EQ(frame(), leftHalf);
    EXPECT_EQ(desktop.windowFrame(own), (Rect{10, 40, 300, 200}));
}

// Broken layouts do nothing; a good custom zone moves the window but is not a snap.
TEST_F(DelegateTest, CustomZonesAreNoSnapsAndBrokenLayoutsDoNothing) {
    auto& d = launch();
    for (const CustomLayout& bad : {CustomLayout{Uuid::random(), "Bad", 0, 1, {{0, 0, 1, 1}}},
                                    CustomLayout{Uuid::random(), "Bad", 2, -1, {{0, 0, 1, 1}}},
                                    CustomLayout{Uuid::random(), "Bad", 2, 1, {{1, 0, 2, 1}}}}) {
        d.dispatcher().applyCustomZone(bad, 0);
    }
    EXPECT_EQ(frame(), original);
    d.dispatcher().applyCustomZone({Uuid::random(), "Halves", 2, 1, {{0, 0, 1, 1}}}, 0);
    EXPECT_TRUE(d.components().engine().snappedWindows.empty());
    d.handleShortcut("restore");  // nothing was recorded to restore
    EXPECT_EQ(frame(), leftHalf);
}

// Custom zones are named by layout and index, workspaces by the upper-case identifier.
TEST_F(DelegateTest, CustomZoneAndWorkspaceShortcutsNeedTheirExactName) {
    auto& d = launch();
    CustomLayout layout{Uuid::random(), "Three", 3, 1, {{0, 0, 1, 1}, {1, 0, 2, 1}}};
    settings().customLayouts.set({layout});
    const std::string name = "customZone:" + layout.id.uuidString();
    d.handleShortcut(name + ":1");
    const Rect placed = *layout.zoneFrame(1, {0, 25, 1440, 875}, 8, 0);
    EXPECT_EQ(frame(), placed);
    for (std::string wrong : {name + ":2", name + ":x", name, std::string("noSuchAction"),
                              "customZone:" + Uuid::random().uuidString() + ":0"}) {
        d.handleShortcut(wrong);
        EXPECT_EQ(frame(), placed) << wrong;
    }

    Workspace ws{Uuid::random(), "Desk", {}};
    settings().workspaces.set({ws});
    std::string lower = ws.id.uuidString();
    for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    d.handleShortcut("workspace:" + lower);
    EXPECT_FALSE(d.components().workspaceManager().lastRestored());
    d.handleShortcut("workspace:" + ws.id.uuidString());
    ASSERT_TRUE(d.components().workspaceManager().lastRestored());
    EXPECT_EQ(d.components().workspaceManager().lastRestored()->id, ws.id);
}

// Where the desktop moves the window as the key goes down, what it is told a press will do
// must be what the press then does, through cycles and their end, and nothing while
// Kelvra would not act.
TEST_F(DelegateTest, ShortcutForecastsAreWhatThePressesThenDo) {
    desktop.takeForecasts();
    auto& d = launch();
    auto told = [&] {
        desktop.runLoop().runPending();
        return desktop.forecasts().empty() ? std::nullopt : desktop.forecasts().back();
    };
    auto press = [&](const std::string& name) {
        auto forecast = told();
        ASSERT_TRUE(forecast) << name;
        EXPECT_EQ(forecast->window, window);
        EXPECT_EQ(forecast->from, frame());
        for (const auto& key : desktop.registeredHotKeys()) {
            if (d.components().shortcutManager().idToAction().at(key.id) != name) continue;
            auto it = std::find_if(forecast->frames.begin(), forecast->frames.end(),
                                   [&](const auto& f) { return f.first == key.id; });
            ASSERT_NE(it, forecast->frames.end()) << name;
            desktop.pressHotKey(key.keyCode, key.modifiers);
            desktop.runLoop().runPending();
            EXPECT_EQ(frame(), it->second) << name;
            return;
        }
        FAIL() << name << " is not registered";
    };
    for (const char* name : {"snapLeftHalf", "snapLeftHalf", "snapLeftHalf", "snapLeftHalf",
                             "maximize", "maximize", "center", "snapTopRight"})
        press(name);

    // A cycle's forecast lasts until shortly before the cycle ends, then starts over.
    press("snapTopRight");
    auto cycling = told();
    ASSERT_TRUE(cycling && cycling->seconds);
    EXPECT_LT(*cycling->seconds, SnapEngine::repeatWindow);
    desktop.runLoop().advance(SnapEngine::repeatWindow);
    auto over = told();
    ASSERT_TRUE(over);
    EXPECT_FALSE(over->seconds);
    press("snapTopRight");

    // The user moving the window is followed once the moves pause (a drag sends many).
    desktop.userSetFrame(window, {300, 200, 500, 400});
    desktop.userSetFrame(window, {310, 200, 500, 400});
    EXPECT_NE(told()->from, frame());
    desktop.runLoop().advance(ShortcutForecaster::movesSettle);
    press("snapLeftHalf");

    settings().windowGap.set(0);
    press("snapRightHalf");
    settings().paused.set(true);
    EXPECT_FALSE(told()) << "paused";
    settings().paused.set(false);
    settings().excludedApps.set({{"org.example.Editor", "Editor"}});
    EXPECT_FALSE(told()) << "excluded";
}

}  // namespace
}  // namespace kelvra::test
