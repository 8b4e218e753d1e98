#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "input/KeyCombo.h"
#include "platform/sim/SimDesktop.h"

namespace kelvra {
namespace {

namespace flags = port::modifierFlags;
using Menu = KeyCombo::MenuKeyEquivalent;

constexpr uint32_t ctrlOpt = carbon::controlKey | carbon::optionKey;

std::optional<Menu> menuOf(uint32_t keyCode, uint32_t modifiers = 0) {
    return KeyCombo{keyCode, modifiers}.menuKeyEquivalent();
}

class KeyComboTest : public ::testing::Test {
  protected:
    void SetUp() override { desk.install(); }
    sim::SimDesktop desk;
};

TEST_F(KeyComboTest, SpaceAndSpecialKeysUseFixedNamesAndMenuCharacters) {
    EXPECT_EQ(KeyCombo::keyName(49), "space");
    EXPECT_EQ(menuOf(49, ctrlOpt), (Menu{" ", flags::control | flags::option}));
    const std::pair<uint32_t, const char*> keys[] = {
        {123, "\uF702"}, {126, "\uF700"}, {76, "\r"}, {51, "\b"}, {53, "\x1b"}};
    for (const auto& [code, key] : keys) EXPECT_EQ(menuOf(code)->key, key) << code;
}

TEST_F(KeyComboTest, LetterNamesFollowTheCurrentLayout) {
    desk.setKeyTranslation(0, std::string("q"));
    EXPECT_EQ(KeyCombo::keyName(0), "Q");
    const KeyCombo combo{0, carbon::cmdKey | carbon::shiftKey};
    EXPECT_EQ(combo.menuKeyEquivalent(), (Menu{"q", flags::command | flags::shift}));
    EXPECT_EQ(combo.displayParts(), (std::vector<std::string>{"⇧", "⌘", "Q"}));

    // Letters beyond ASCII are upper-cased too, and lower-cased again for the menu.
    desk.setKeyTranslation(0, std::string("é"));
    EXPECT_EQ(KeyCombo::keyName(0), "É");
    EXPECT_EQ(menuOf(0)->key, "é");
    desk.setKeyTranslation(0, std::string("ж"));
    EXPECT_EQ(KeyCombo::keyName(0), "Ж");
}

TEST_F(KeyComboTest, UntranslatableKeyIsNamedByItsCodeAndHasNoMenuKey) {
    desk.setKeyTranslation(0, std::nullopt);
    EXPECT_EQ(KeyCombo::keyName(0), "key0");
    EXPECT_EQ(menuOf(0, ctrlOpt), std::nullopt);

    desk.setKeyTranslation(7, std::string());
    EXPECT_EQ(KeyCombo::keyName(7), "key7");
    EXPECT_EQ(menuOf(7), std::nullopt);
}

TEST_F(KeyComboTest, OnlyTheFourModifiersCarryOverBothWays) {
    const uint64_t all = flags::control | flags::option | flags::shift | flags::command;
    const uint64_t capsLockAndFunction = 0x10000 | 0x800000;
    EXPECT_EQ(KeyCombo::carbonModifiersFromCocoa(all | capsLockAndFunction | 0xffff), 0x1b00u);
    EXPECT_EQ(KeyCombo::carbonModifiersFromCocoa(capsLockAndFunction), 0u);
    EXPECT_EQ(menuOf(49, 0x1b00)->mask, all);
    EXPECT_EQ((KeyCombo{49, 0x1b00}.displayParts()),
              (std::vector<std::string>{"⌃", "⌥", "⇧", "⌘", "space"}));
}

}  // namespace
}  // namespace kelvra
