#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "backends/sim/SimDesktop.h"
#include "settings/KeyCombo.h"

namespace kelvra {
namespace {

namespace flags = port::modifierFlags;

class KeyComboTest : public ::testing::Test {
  protected:
    void SetUp() override { desk.install(); }
    sim::SimDesktop desk;
};

// Names follow the current layout, upper-cased beyond ASCII too; a key without a
// text is named by its code and has no menu key, so the tray shows no shortcut for it.
TEST_F(KeyComboTest, NamesFollowTheLayoutAndUntranslatableKeysHaveNoMenuKey) {
    EXPECT_EQ((KeyCombo{49, modifierBits::control | modifierBits::alt}.displayName()),
              "Ctrl+Alt+Space");
    desk.setKeyTranslation(0, std::string("q"));
    EXPECT_EQ((KeyCombo{0, modifierBits::super | modifierBits::shift}.displayName()),
              "Shift+Super+Q");
    EXPECT_TRUE((KeyCombo{0, 0}.menuKeyEquivalent()));
    for (auto [text, name] : {std::pair{"é", "É"}, {"ж", "Ж"}}) {
        desk.setKeyTranslation(0, std::string(text));
        EXPECT_EQ(KeyCombo::keyName(0), name);
    }
    desk.setKeyTranslation(0, std::nullopt);
    desk.setKeyTranslation(7, std::string());
    for (uint32_t code : {0u, 7u}) {
        EXPECT_EQ(KeyCombo::keyName(code), "key" + std::to_string(code));
        EXPECT_EQ((KeyCombo{code, modifierBits::control}.menuKeyEquivalent()), std::nullopt);
    }
}

TEST_F(KeyComboTest, OnlyTheFourModifiersCarryOver) {
    const uint64_t all = flags::control | flags::alt | flags::shift | flags::super;
    const uint64_t capsLockAndFunction = 0x10000 | 0x800000;
    EXPECT_EQ(KeyCombo::modifiersFromEventFlags(all | capsLockAndFunction | 0xffff), 0x1b00u);
    EXPECT_EQ(KeyCombo::modifiersFromEventFlags(capsLockAndFunction), 0u);
    EXPECT_EQ((KeyCombo{49, 0x1b00}.displayName()), "Ctrl+Alt+Shift+Super+Space");
}

}  // namespace
}  // namespace kelvra
