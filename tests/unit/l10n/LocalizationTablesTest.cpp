#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geometry/ZoneID.h"
#include "l10n/LocalizationTables.h"

namespace kelvra {
namespace {

// The placeholders of a text, in order ("%@", "%d").
std::vector<std::string> placeholders(const std::string& text) {
    std::vector<std::string> out;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '%') {
            out.push_back(text.substr(i, 2));
            ++i;
        }
    }
    return out;
}

const LocalizationTables::Table& table(AppLanguage language) {
    return LocalizationTables::tables().at(language);
}

TEST(LocalizationTables, EveryLanguageTranslatesTheEnglishKeysKeepingPlaceholders) {
    const auto& english = table(AppLanguage::en);
    ASSERT_GT(english.size(), 150u);
    for (auto language : allAppLanguages()) {
        SCOPED_TRACE(std::string(rawValue(language)));
        const auto& t = table(language);
        EXPECT_EQ(t.size(), english.size());
        size_t same = 0;
        for (const auto& [key, text] : t) {
            SCOPED_TRACE(key);
            EXPECT_FALSE(text.empty());
            auto en = english.find(key);
            if (en == english.end()) {
                ADD_FAILURE() << "not an English key";
                continue;
            }
            same += en->second == text;
            EXPECT_EQ(placeholders(text), placeholders(en->second)) << text;
            if (en->second.find("Kelvra") != std::string::npos) {
                EXPECT_NE(text.find("Kelvra"), std::string::npos) << text;
            }
        }
        // A few texts (symbols, "%@ → %@", "Pro") rightly stay as they are.
        if (language != AppLanguage::en) {
            EXPECT_LT(same, english.size() / 10);
        }
    }
}

// A missing name would show its key in the menus; every other table has the same keys.
TEST(LocalizationTables, EveryZoneHasAName) {
    for (ZoneID zone : allZoneIDs()) {
        EXPECT_TRUE(table(AppLanguage::en).count("zone." + std::string(rawValue(zone))))
            << rawValue(zone);
    }
}

}  // namespace
}  // namespace kelvra
