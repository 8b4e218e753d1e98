#include <gtest/gtest.h>

#include <memory>

#include "backends/sim/SimDesktop.h"
#include "input/ShortcutManager.h"
#include "l10n/L10n.h"
#include "settings/KeyCombo.h"

namespace kelvra {
namespace {

constexpr uint32_t ctrlOpt = modifierBits::control | modifierBits::alt;
constexpr uint32_t space = 49;
constexpr uint32_t deleteKey = 51;
constexpr uint32_t keyC = 8;

class ShortcutManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desk.install();
        l10n = std::make_unique<L10n>();
        manager = std::make_unique<ShortcutManager>(*l10n);
        listener =
            manager->onAction.connect([this](const std::string& name) { fired.push_back(name); });
    }

    // Presses a combination and lets the main queue run.
    std::vector<std::string> press(uint32_t keyCode, uint32_t modifiers) {
        fired.clear();
        desk.pressHotKey(keyCode, modifiers);
        desk.runLoop().runPending();
        return fired;
    }

    sim::SimDesktop desk;
    std::unique_ptr<L10n> l10n;
    std::unique_ptr<ShortcutManager> manager;
    std::vector<std::string> fired;
    Subscription listener;
};

TEST_F(ShortcutManagerTest, DefaultsRegisterEveryHotKeyAndActOnlyAfterTheHopToTheMainQueue) {
    manager->registerShortcuts(KeyCombo::defaults());
    ASSERT_EQ(desk.registeredHotKeys().size(), 18u);
    EXPECT_TRUE(desk.pressHotKey(space, ctrlOpt));
    EXPECT_TRUE(fired.empty());
    desk.runLoop().runPending();
    EXPECT_EQ(fired, std::vector<std::string>{"showHUD"});

    EXPECT_EQ(press(deleteKey, ctrlOpt), std::vector<std::string>{"restore"});
}

TEST_F(ShortcutManagerTest, SharedCombinationRegistersOnceAndFiresOneName) {
    ShortcutTable table{
        {"center", {space, ctrlOpt}}, {"maximize", {keyC, ctrlOpt}}, {"showHUD", {space, ctrlOpt}}};
    manager->registerShortcuts(table);
    EXPECT_EQ(desk.registeredHotKeys().size(), 2u);
    // The first name in table order keeps the combination.
    EXPECT_EQ(press(space, ctrlOpt), std::vector<std::string>{"center"});
    EXPECT_EQ(press(keyC, ctrlOpt), std::vector<std::string>{"maximize"});
    // Identifiers count every entry, registered or not.
    EXPECT_EQ(manager->idToAction().count(3), 0u);
    EXPECT_EQ(manager->idToAction().at(2), "maximize");
}

TEST_F(ShortcutManagerTest, TakenCombinationsAreToldOncePerRunAndLogged) {
    auto heldLines = [&] {
        std::vector<std::string> lines;
        for (const auto& line : desk.logLines()) {
            if (line.find("held by another program") != std::string::npos) lines.push_back(line);
        }
        return lines;
    };
    desk.holdByOtherClient(123, ctrlOpt);  // the window manager's desktop switching
    desk.holdByOtherClient(124, ctrlOpt);
    manager->registerShortcuts(KeyCombo::defaults());
    desk.runLoop().runPending();

    ASSERT_EQ(desk.alerts().size(), 1u);
    EXPECT_EQ(desk.alerts()[0].messageText, "Taken by another program: Ctrl+Alt+← and Ctrl+Alt+→");
    EXPECT_EQ(desk.alerts()[0].buttons, std::vector<std::string>{"OK"});
    ASSERT_EQ(heldLines().size(), 1u);
    EXPECT_NE(heldLines()[0].find("Ctrl+Alt+←, Ctrl+Alt+→"), std::string::npos);
    EXPECT_EQ(desk.registeredHotKeys().size(), 16u);
    EXPECT_EQ(press(deleteKey, ctrlOpt), std::vector<std::string>{"restore"});

    // Registering again (after a recording, a table change) tells nothing new.
    manager->registerShortcuts(KeyCombo::defaults());
    desk.runLoop().runPending();
    EXPECT_EQ(desk.alerts().size(), 1u);
    EXPECT_EQ(heldLines().size(), 1u);
    // A combination taken later is logged; the alert stays the one of this run.
    desk.holdByOtherClient(space, ctrlOpt);
    manager->registerShortcuts(KeyCombo::defaults());
    desk.runLoop().runPending();
    EXPECT_EQ(desk.alerts().size(), 1u);
    ASSERT_EQ(heldLines().size(), 2u);
    EXPECT_NE(heldLines()[1].find("Ctrl+Alt+Space"), std::string::npos) << heldLines()[1];
}

TEST_F(ShortcutManagerTest, RegisteringAgainOrUnregisteringReplacesEveryEarlierHotKey) {
    manager->registerShortcuts(KeyCombo::defaults());
    manager->registerShortcuts({{"center", {keyC, modifierBits::super | modifierBits::shift}}});
    ASSERT_EQ(desk.registeredHotKeys().size(), 1u);
    EXPECT_TRUE(press(space, ctrlOpt).empty());
    EXPECT_TRUE(press(keyC, ctrlOpt).empty());
    EXPECT_EQ(press(keyC, modifierBits::super | modifierBits::shift),
              std::vector<std::string>{"center"});

    manager->unregisterAll();
    EXPECT_TRUE(desk.registeredHotKeys().empty());
    EXPECT_TRUE(manager->idToAction().empty());
    EXPECT_TRUE(press(keyC, modifierBits::super | modifierBits::shift).empty());
    // The one handler stays installed and serves every registration.
    manager->registerShortcuts(KeyCombo::defaults());
    EXPECT_EQ(press(space, ctrlOpt), std::vector<std::string>{"showHUD"});
    EXPECT_EQ(desk.handlerInstallCount(), 1);
}

TEST_F(ShortcutManagerTest, ManagerGoneBeforeTheHopDeliversNothingAndReleasesItsKeys) {
    manager->registerShortcuts(KeyCombo::defaults());
    desk.pressHotKey(space, ctrlOpt);
    manager.reset();
    desk.runLoop().runPending();
    EXPECT_TRUE(fired.empty());
    EXPECT_TRUE(desk.registeredHotKeys().empty());
}

}  // namespace
}  // namespace kelvra
