#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "backends/sim/SimDesktop.h"
#include "l10n/FrameworkLanguage.h"
#include "l10n/L10n.h"

namespace kelvra {
namespace {

class L10nTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop.install();
        desktop.setPreferredLanguages({"sv-SE", "de-CH"});
    }
    void TearDown() override { FrameworkLanguage::setCode(std::nullopt); }

    std::optional<port::DefaultsValue> interfaceLanguages() {
        return desktop.defaults().object("interfaceLanguages");
    }

    sim::SimDesktop desktop;
};

TEST_F(L10nTest, StartsWithAValidStoredLanguageElseTheSystemOne) {
    desktop.defaults().set("languageCode", std::string("ja"));
    L10n l;
    EXPECT_EQ(l.language(), AppLanguage::ja);
    EXPECT_EQ(format(l.string("menu.zoneN"), {"3"}), "ゾーン 3");
    EXPECT_EQ(interfaceLanguages(), port::DefaultsValue(port::StringArray{"ja"}));
    EXPECT_EQ(FrameworkLanguage::code(), "ja");

    // An unknown stored code counts as none: the override left from before is removed.
    desktop.defaults().set("languageCode", std::string("xx"));
    EXPECT_EQ(L10n().language(), AppLanguage::de);
    EXPECT_EQ(interfaceLanguages(), std::nullopt);
    EXPECT_EQ(FrameworkLanguage::code(), std::nullopt);
}

// Files written before the list had its neutral name still choose the language; the next
// write moves the list to the new name.
TEST_F(L10nTest, ReadsTheFormerListNameAndWritesTheNeutralOne) {
    desktop.defaults().set("AppleLanguages", port::StringArray{"it"});
    L10n l;
    EXPECT_EQ(l.language(), AppLanguage::it);
    EXPECT_EQ(interfaceLanguages(), port::DefaultsValue(port::StringArray{"it"}));
    EXPECT_EQ(desktop.defaults().object("AppleLanguages"), std::nullopt);

    l.apply(std::nullopt);
    EXPECT_EQ(interfaceLanguages(), std::nullopt);
    EXPECT_EQ(L10n().language(), AppLanguage::de);
}

TEST_F(L10nTest, ApplySwitchesLanguageAndOverride) {
    L10n l;
    std::vector<AppLanguage> published;
    auto sub = l.language.sink([&](const AppLanguage& v) { published.push_back(v); });
    std::vector<std::optional<std::string>> toolkit;
    auto fw = FrameworkLanguage::onChange(
        [&](const std::optional<std::string>& code) { toolkit.push_back(code); });

    l.apply("fr");
    EXPECT_EQ(l.language(), AppLanguage::fr);
    EXPECT_EQ(interfaceLanguages(), port::DefaultsValue(port::StringArray{"fr"}));
    EXPECT_EQ(l.string("common.cancel"), "Annuler");

    l.apply(std::nullopt);
    EXPECT_EQ(l.language(), AppLanguage::de);
    EXPECT_EQ(interfaceLanguages(), std::nullopt);

    l.apply("fr");
    l.apply("klingon");
    EXPECT_EQ(l.language(), AppLanguage::de);
    EXPECT_EQ(interfaceLanguages(), std::nullopt);

    l.apply("zh-Hant");
    EXPECT_EQ(interfaceLanguages(), port::DefaultsValue(port::StringArray{"zh-Hant"}));

    using A = AppLanguage;
    EXPECT_EQ(published, (std::vector<A>{A::fr, A::de, A::fr, A::de, A::zhHant}));
    EXPECT_EQ(toolkit, (std::vector<std::optional<std::string>>{"fr", std::nullopt, "fr",
                                                                std::nullopt, "zh-Hant"}));
}

TEST_F(L10nTest, UnknownKeysShowThemselvesAndThePickerOffersSystemDefaultFirst) {
    L10n l;
    l.apply("pl");
    EXPECT_EQ(l.string("no.such.key"), "no.such.key");
    l.apply("en");
    EXPECT_EQ(l.string("no.such.key"), "no.such.key");
    auto options = l.pickerOptions();
    ASSERT_EQ(options.size(), appLanguageCount + 1);
    EXPECT_EQ(options[0], (std::pair<std::string, std::string>{"", "System default"}));
    EXPECT_EQ(options[4], (std::pair<std::string, std::string>{"zh-Hans", "简体中文"}));
}

TEST(Format, FillsPlaceholdersInOrder) {
    EXPECT_EQ(format("%@ → %@", {"Mail", "Left half"}), "Mail → Left half");
    EXPECT_EQ(format("%d : %d split", {"2", "1"}), "2 : 1 split");
    EXPECT_EQ(format("100% sure %d", {"7"}), "100% sure 7");
    EXPECT_EQ(format("Zone %d", {}), "Zone ");
}

}  // namespace
}  // namespace kelvra
