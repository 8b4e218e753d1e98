#include "DelegateFixture.h"
#include "app/Action.h"
#include "app/TrayController.h"
#include "arrange/WorkspaceManager.h"
#include "input/TakenShortcutsNotice.h"
#include "settings/CustomLayout.h"
#include "ui/SettingsTab.h"
#include "ui/SettingsWindowController.h"

namespace kelvra::test {
namespace {

using port::MenuItem;
using port::TrayIcon;
using port::TrayModel;

class TrayMenuTest : public DelegateTest {
  protected:
    std::optional<TrayModel> tray() {
        desktop.runLoop().runPending();
        auto s = desktop.surfaces().find(port::SurfaceKind::tray);
        if (!s || !s->visible) return std::nullopt;
        return std::get<TrayModel>(s->model);
    }
    // The top-level titles, with "---" for separators.
    static std::vector<std::string> titles(const std::vector<MenuItem>& items) {
        std::vector<std::string> out;
        for (const auto& i : items) out.push_back(i.separator ? "---" : i.title);
        return out;
    }
    static const MenuItem& byTitle(const std::vector<MenuItem>& items, const std::string& title) {
        for (const auto& i : items)
            if (i.title == title) return i;
        throw std::runtime_error("no item " + title);
    }
    void choose(const std::string& id) {
        desktop.surfaces().choose(desktop.surfaces().find(port::SurfaceKind::tray)->id, id);
        desktop.runLoop().runPending();
    }
    void choose(const Action& action) { choose(actionName(action)); }
};

TEST_F(TrayMenuTest, TheMenuListsEveryZoneAndCommandWithShortcutsWrittenTheLinuxWay) {
    launch();
    auto model = tray();
    ASSERT_TRUE(model);
    EXPECT_EQ(model->icon, TrayIcon::normal);
    EXPECT_EQ(model->toolTip, "Kelvra");
    EXPECT_EQ(titles(model->menu),
              (std::vector<std::string>{"Left half", "Right half", "Maximize", "More layouts",
                                        "Show zone picker", "---", "Workspaces", "---",
                                        "Pause tiling", "---", "Settings…", "Show onboarding again",
                                        "---", "About Kelvra", "Quit Kelvra"}));
    EXPECT_EQ(byTitle(model->menu, "Left half").shortcut, "Ctrl+Alt+←");
    EXPECT_EQ(byTitle(model->menu, "Show zone picker").shortcut, "Ctrl+Alt+Space");
    const auto& more = byTitle(model->menu, "More layouts").submenu;
    ASSERT_EQ(more.size(), 14u);
    EXPECT_EQ(more.front().id, "zone:topHalf");
    EXPECT_EQ(byTitle(more, "Center two-thirds").shortcut, "") << "no action snaps there";
    EXPECT_EQ(titles(byTitle(model->menu, "Workspaces").submenu),
              std::vector<std::string>{"Save current arrangement…"});
}

TEST_F(TrayMenuTest, ChoicesReachTheWindowTheLayoutsAndTheWorkspaces) {
    auto& d = launch();
    choose(ZoneAction{ZoneID::leftHalf});
    EXPECT_EQ(frame(), (Rect{0, 25, 716, 875}));

    CustomLayout layout{Uuid::random(), "Three", 3, 1, {{0, 0, 1, 1}, {1, 0, 1, 1}, {2, 0, 1, 1}}};
    Workspace ws{Uuid::random(), "Morning", {}};
    settings().customLayouts.set({layout});
    settings().workspaces.set({ws});
    auto model = tray();
    ASSERT_TRUE(model);
    const auto& custom = byTitle(model->menu, "Custom layouts").submenu;
    const auto& zones = byTitle(custom, "Three").submenu;
    EXPECT_EQ(titles(zones), (std::vector<std::string>{"Zone 1", "Zone 2", "Zone 3"}));
    choose(zones[1].id);
    EXPECT_EQ(frame(), *layout.zoneFrame(1, {0, 25, 1440, 875}, 8, 0));

    const auto& workspaces = byTitle(model->menu, "Workspaces").submenu;
    EXPECT_EQ(titles(workspaces),
              (std::vector<std::string>{"Save current arrangement…", "---", "Morning"}));
    choose(workspaces[2].id);
    EXPECT_EQ(d.components().workspaceManager().lastRestored(), ws);

    // Items naming what no longer exists do nothing.
    settings().customLayouts.set({});
    Rect before = frame();
    choose(zones[1].id);
    choose("zone:nowhere");
    EXPECT_EQ(frame(), before);

    choose(Command::quit);
    EXPECT_TRUE(desktop.runLoop().quitRequested());
}

TEST_F(TrayMenuTest, PauseIsCheckedAndDrawnAndTroublesPutTheirItemFirst) {
    auto& d = launch();
    choose(Command::togglePause);
    auto model = tray();
    EXPECT_TRUE(settings().paused());
    EXPECT_EQ(model->icon, TrayIcon::paused);
    EXPECT_TRUE(byTitle(model->menu, "Pause tiling").checked);
    choose(Command::togglePause);
    EXPECT_EQ(tray()->icon, TrayIcon::normal);

    d.components().trayController().setShortcutsHeldElsewhere(
        {KeyCombo{123 /* left arrow */, modifierBits::control | modifierBits::alt}});
    model = tray();
    EXPECT_EQ(model->icon, TrayIcon::shortcutsHeldElsewhere);
    EXPECT_EQ(model->menu.front().title, "Some shortcuts are held by another program…");
    EXPECT_EQ(model->menu.front().id, actionName(Command::openShortcuts));
    // That item, and the action of the notification that told it, open the shortcuts tab.
    for (int how : {0, 1}) {
        how == 0 ? choose(Command::openShortcuts)
                 : desktop.notifications().choose(TakenShortcutsNotice::openShortcutsAction);
        auto window = desktop.surfaces().find(port::SurfaceKind::settingsWindow);
        ASSERT_TRUE(window && window->visible) << how;
        EXPECT_EQ(std::get<port::SettingsWindowModel>(window->model).selectedTab, "shortcuts");
        d.components().settingsWindow().show(SettingsTab::general);
    }
    d.components().trayController().setShortcutsHeldElsewhere({});

    // Told until a save works again.
    desktop.failSave("cannot create a temporary file: Read-only file system");
    model = tray();
    EXPECT_EQ(model->icon, TrayIcon::settingsNotSaved);
    EXPECT_EQ(model->menu.front().title,
              "Settings cannot be saved: the folder is read-only or full");
    desktop.recoverSave();
    EXPECT_EQ(tray()->icon, TrayIcon::normal);

    desktop.setHasWindowManager(false);
    d.components().trayController().refreshIcon();
    model = tray();
    EXPECT_EQ(model->icon, TrayIcon::noWindowManager);
    EXPECT_EQ(model->toolTip, "Kelvra — No window manager answers: windows may not move…");
    desktop.setHasWindowManager(true);
    d.components().trayController().refreshIcon();
    EXPECT_EQ(titles(tray()->menu).front(), "Left half");
}

TEST_F(TrayMenuTest, TheIconFollowsItsSettingAndALaterStartOpensTheSettings) {
    AppSettings(desktop.defaults()).showTrayIcon.set(false);  // stored before the start
    auto& d = launch();
    EXPECT_FALSE(tray());
    settings().showTrayIcon.set(true);
    EXPECT_TRUE(tray());
    settings().showTrayIcon.set(false);
    EXPECT_EQ(desktop.surfaces().count(port::SurfaceKind::tray), 0u);

    d.handleLaterStart({"--show-zone=leftHalf"});
    EXPECT_EQ(desktop.surfaces().count(port::SurfaceKind::settingsWindow), 0u);
    d.handleLaterStart({});
    EXPECT_EQ(desktop.surfaces().count(port::SurfaceKind::settingsWindow), 1u);
}

}  // namespace
}  // namespace kelvra::test
