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

// Taken combinations never stop anyone with an alert: a set with news in it is told
// once, as a notification that opens the shortcuts tab, and remembered across starts.
TEST_F(ShortcutManagerTest, TakenCombinationsAreNotifiedOnceWhenTheSetChangesAndLogged) {
    auto heldLines = [&] {
        std::vector<std::string> lines;
        for (const auto& line : desk.logLines()) {
            if (line.find("they do nothing") != std::string::npos) lines.push_back(line);
        }
        return lines;
    };
    auto& told = desk.notifications().shown;
    desk.holdByOtherClient(123, ctrlOpt);  // the window manager's desktop switching
    desk.holdByOtherClient(124, ctrlOpt);
    manager->registerShortcuts(KeyCombo::defaults());
    desk.runLoop().runPending();

    EXPECT_TRUE(desk.alerts().empty());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].title, "Taken by another program: Ctrl+Alt+← and Ctrl+Alt+→");
    ASSERT_EQ(told[0].actions.size(), 1u);
    EXPECT_EQ(told[0].actions[0].first, TakenShortcutsNotice::openShortcutsAction);
    ASSERT_EQ(heldLines().size(), 1u);
    EXPECT_NE(heldLines()[0].find("Ctrl+Alt+←, Ctrl+Alt+→"), std::string::npos);
    EXPECT_EQ(desk.registeredHotKeys().size(), 16u);
    EXPECT_EQ(press(deleteKey, ctrlOpt), std::vector<std::string>{"restore"});

    // Registering again, or a later start, finds nothing new to tell.
    manager->registerShortcuts(KeyCombo::defaults());
    manager = std::make_unique<ShortcutManager>(*l10n);
    manager->registerShortcuts(KeyCombo::defaults());
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(heldLines().size(), 2u) << "each run logs once";
    // One taken more is news, told with the whole set, in the interface's language.
    l10n->apply("de");
    desk.holdByOtherClient(space, ctrlOpt);
    manager->registerShortcuts(KeyCombo::defaults());
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1].title,
              "Von einem anderen Programm belegt: Ctrl+Alt+Space, Ctrl+Alt+← und Ctrl+Alt+→");
    // Fewer taken is no news; without a server the tray tells (and the log says so).
    desk.notifications().serverRuns = false;
    manager->registerShortcuts({{"center", {keyC, ctrlOpt}}});
    desk.holdByOtherClient(keyC, modifierBits::super);
    manager->registerShortcuts({{"center", {keyC, modifierBits::super}}});
    EXPECT_EQ(told.size(), 2u);
    EXPECT_NE(desk.logLines().back().find("tray"), std::string::npos);
}

// A combination the keymap gives the server (here restore's, where the keymap ends the
// session with it) is never registered, though nothing else holds it.
TEST_F(ShortcutManagerTest, CombinationsTheKeymapGivesTheServerAreNeverRegistered) {
    desk.bindToServerAction(deleteKey, ctrlOpt);
    std::vector<KeyCombo> unavailable;
    auto sub = manager->onHeldElsewhere.connect([&](auto combos) { unavailable = combos; });
    manager->registerShortcuts(KeyCombo::defaults());
    EXPECT_EQ(desk.registeredHotKeys().size(), 17u);
    EXPECT_EQ(unavailable, (std::vector<KeyCombo>{{deleteKey, ctrlOpt}}));
    EXPECT_TRUE(press(deleteKey, ctrlOpt).empty());
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
