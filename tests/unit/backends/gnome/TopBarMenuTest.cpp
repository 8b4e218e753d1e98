#include "backends/gnome/TopBarMenu.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <utility>

#include "../bridge/BridgeScript.h"
#include "backends/sim/VirtualRunLoop.h"
#include "port/Platform.h"

namespace kelvra::gnome {
namespace {

using nlohmann::json;

// The menu over a session whose bridge's side the test plays.
class TopBarMenuTest : public ::testing::Test {
  protected:
    TopBarMenuTest() {
        platform.runLoop = &runLoop;
        installPlatform(platform);
        hello();
    }
    ~TopBarMenuTest() override { uninstallPlatform(); }

    void hello() { bridge.hello("gnome", 43); }
    // The setMenu commands the bridge received since the last look (a poll held open is
    // answered when the next one comes).
    std::vector<json> menusSent() {
        bridge.poll();
        session.flush();
        runLoop.runPending();
        std::vector<json> menus;
        for (const auto& c : std::exchange(bridge.commands, {}))
            if (c["cmd"] == "setMenu") menus.push_back(c["menu"]);
        return menus;
    }

    static port::MenuItem item(std::string id, std::string title, std::string shortcut = {}) {
        port::MenuItem m;
        m.id = std::move(id);
        m.title = std::move(title);
        m.shortcut = std::move(shortcut);
        return m;
    }
    static port::TrayModel model(port::TrayIcon icon) {
        port::TrayModel m;
        m.icon = icon;
        m.toolTip = "Kelvra";
        port::MenuItem separator;
        separator.separator = true;
        port::MenuItem layouts = item("", "Layouts");
        layouts.submenu = {item("l1", "Grid")};
        layouts.submenu[0].checked = true;
        m.menu = {item("left", "Left half", "Ctrl+Alt+Left"), separator, layouts};
        return m;
    }

    Platform platform;
    sim::VirtualRunLoop runLoop;
    bridge::BridgeSession session{runLoop, 1};
    test::BridgeScript bridge{session};
    TopBarSurfaces surfaces{session};
};

TEST_F(TopBarMenuTest, SendsTheTraysMenuWhileShownAndAgainAfterEachWelcome) {
    EXPECT_FALSE(surfaces.create(port::OverlayModel{})) << "only the tray is the top bar's";
    auto surface = surfaces.create(model(port::TrayIcon::normal));
    ASSERT_TRUE(surface);
    EXPECT_TRUE(menusSent().empty()) << "hidden until shown";

    surface->setVisible(true);
    auto sent = menusSent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["icon"], "normal");
    EXPECT_EQ(sent[0]["items"][0]["shortcut"], "Ctrl+Alt+Left");
    EXPECT_EQ(sent[0]["items"][2]["submenu"][0]["checked"], true);

    surface->setModel(model(port::TrayIcon::normal));
    EXPECT_TRUE(menusSent().empty()) << "the same model is not sent again";
    surface->setModel(model(port::TrayIcon::shortcutsHeldElsewhere));
    EXPECT_EQ(menusSent().at(0)["icon"], "shortcutsHeldElsewhere");

    hello();  // the shell restarted: its extension shows no button
    EXPECT_EQ(menusSent().size(), 1u);

    surface->setVisible(false);
    EXPECT_EQ(menusSent().at(0), nullptr);
    surface->setVisible(true);
    EXPECT_EQ(menusSent().size(), 1u);
    surface.reset();
    EXPECT_EQ(menusSent().at(0), nullptr) << "the button goes with the surface";
}

TEST_F(TopBarMenuTest, ReportsTheItemChosenOnTheRunLoop) {
    auto surface = surfaces.create(model(port::TrayIcon::paused));
    surface->setVisible(true);
    std::vector<std::string> chosen;
    auto choosing = surface->onChosen([&](const std::string& id) { chosen.push_back(id); });

    bridge.send("menuChosen", {{"item", "left"}});
    EXPECT_TRUE(chosen.empty()) << "not inside the bus call that brought it";
    runLoop.runPending();
    EXPECT_EQ(chosen, std::vector<std::string>{"left"});

    // A choice arriving after the surface went is dropped.
    bridge.send("menuChosen", {{"item", "left"}});
    surface.reset();
    runLoop.runPending();
    EXPECT_EQ(chosen.size(), 1u);
}

}  // namespace
}  // namespace kelvra::gnome
