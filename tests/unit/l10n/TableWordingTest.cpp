#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "l10n/LocalizationTables.h"

namespace kelvra {
namespace {

const LocalizationTables::Table& table(AppLanguage language) {
    return LocalizationTables::tables().at(language);
}

// A button or label that says one thing in English says it one way in every language
// ("Check again" was once two different buttons in Spanish and Japanese).
TEST(TableWording, OneEnglishTextHasOneTranslation) {
    std::map<std::string, std::string> firstKeyOf;
    for (const auto& [key, text] : table(AppLanguage::en)) firstKeyOf.emplace(text, key);
    for (auto language : allAppLanguages()) {
        const auto& t = table(language);
        for (const auto& [key, english] : table(AppLanguage::en)) {
            const auto& first = firstKeyOf.at(english);
            EXPECT_EQ(t.at(key), t.at(first)) << rawValue(language) << " " << key << " / " << first;
        }
    }
}

// French sets a non-breaking space before two-part punctuation and inside guillemets, so
// that "?" never starts a line of its own.
TEST(TableWording, FrenchPunctuationKeepsToItsWord) {
    for (const auto& [key, text] : table(AppLanguage::fr)) {
        for (const char* loose : {" :", " ?", " !", " ;", "« ", " »"}) {
            EXPECT_EQ(text.find(loose), std::string::npos) << key << ": " << text;
        }
    }
}

// The onboarding window animates dots after its waiting lines.
TEST(TableWording, WaitingLinesLeaveTheDotsToTheWindow) {
    for (auto language : allAppLanguages()) {
        for (const char* key : {"onb.checking", "onb.waiting"}) {
            const auto& text = table(language).at(key);
            const bool dotted = text.ends_with("…") || text.ends_with(".") || text.ends_with("。");
            EXPECT_FALSE(dotted) << rawValue(language) << " " << key << ": " << text;
        }
    }
}

// Every text is shown somewhere: a key no source names is a translation nobody reads.
// Keys picked by a prefix ("zone." + the zone's name) count as read through the prefix.
TEST(TableWording, EveryKeyIsReadBySomeSource) {
    std::string sources;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(KELVRA_SOURCE_DIR "/src")) {
        const auto ext = entry.path().extension();
        if (ext != ".cpp" && ext != ".h") continue;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        sources += text.str();
    }
    for (const auto& [key, text] : table(AppLanguage::en)) {
        const auto dot = key.find('.');
        const bool named = sources.find('"' + key + '"') != std::string::npos;
        const bool byPrefix =
            dot != std::string::npos &&
            sources.find('"' + key.substr(0, dot + 1) + "\" +") != std::string::npos;
        EXPECT_TRUE(named || byPrefix) << key << " is never read";
    }
}

}  // namespace
}  // namespace kelvra
