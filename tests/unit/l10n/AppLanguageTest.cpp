#include <gtest/gtest.h>

#include <set>

#include "backends/sim/SimDesktop.h"
#include "l10n/AppLanguage.h"

namespace kelvra {
namespace {

TEST(AppLanguage, RawValuesAreDistinctAndOnlyTheExactOnesDecode) {
    std::set<std::string_view> raws;
    for (auto language : allAppLanguages()) {
        raws.insert(rawValue(language));
        EXPECT_EQ(appLanguageFromRaw(rawValue(language)), language);
        EXPECT_FALSE(nativeName(language).empty());
    }
    EXPECT_EQ(raws.size(), appLanguageCount);
    for (const char* bad : {"pt", "EN", ""}) EXPECT_EQ(appLanguageFromRaw(bad), std::nullopt);
}

TEST(AppLanguage, SystemDefaultTakesTheFirstSupportedPreference) {
    using L = std::vector<std::string>;
    EXPECT_EQ(systemDefaultLanguage(L{"sv-SE", "de-CH"}), AppLanguage::de);
    EXPECT_EQ(systemDefaultLanguage(L{"zh-TW", "en-US"}), AppLanguage::zhHant);
    EXPECT_EQ(systemDefaultLanguage(L{"zh-Hant-CN"}), AppLanguage::zhHant);
    EXPECT_EQ(systemDefaultLanguage(L{"zh-HK"}), AppLanguage::zhHant);
    EXPECT_EQ(systemDefaultLanguage(L{"zh-CN"}), AppLanguage::zhHans);
    EXPECT_EQ(systemDefaultLanguage(L{"zh"}), AppLanguage::zhHans);
    EXPECT_EQ(systemDefaultLanguage(L{"pt-PT"}), AppLanguage::ptBR);
    EXPECT_EQ(systemDefaultLanguage(L{"JA-jp"}), AppLanguage::ja);
    EXPECT_EQ(systemDefaultLanguage(L{"en-GB", "fr"}), AppLanguage::en);
    EXPECT_EQ(systemDefaultLanguage(L{"sv-SE"}), AppLanguage::en);
    EXPECT_EQ(systemDefaultLanguage(L{}), AppLanguage::en);
    // Without a list, the platform's preferences are asked.
    sim::SimDesktop desktop;
    desktop.install();
    desktop.setPreferredLanguages({"fi-FI", "tr-TR"});
    EXPECT_EQ(systemDefaultLanguage(), AppLanguage::tr);
}

}  // namespace
}  // namespace kelvra
