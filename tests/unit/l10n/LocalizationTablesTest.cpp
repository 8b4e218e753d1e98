#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include <unicode/msgfmt.h>
#include <unicode/plurrule.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

#include <memory>

#include "base/ZoneID.h"
#include "l10n/LocaleFormat.h"
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

icu::Locale localeOf(AppLanguage language) {
    UErrorCode status = U_ZERO_ERROR;
    return icu::Locale::forLanguageTag(std::string(rawValue(language)), status);
}

// Checks a plural message: ICU reads it, it fills only "count" (none of its syntax shows),
// and it has a form for every category the language's rules give a whole number (a
// Russian table with only "one" and "other" would write "5 окна").
void expectPluralMessage(AppLanguage language, const std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    icu::MessageFormat message(icu::UnicodeString::fromUTF8(text), localeOf(language), status);
    ASSERT_TRUE(U_SUCCESS(status)) << u_errorName(status) << ": " << text;
    EXPECT_TRUE(message.usesNamedArguments());
    std::unique_ptr<icu::PluralRules> rules(
        icu::PluralRules::forLocale(localeOf(language), status));
    ASSERT_TRUE(U_SUCCESS(status));
    std::set<std::string> needed{"other"};
    for (int n = 0; n <= 200; ++n) {
        std::string keyword;
        rules->select(static_cast<int32_t>(n)).toUTF8String(keyword);
        needed.insert(keyword);
    }
    for (const auto& keyword : needed) {
        EXPECT_NE(text.find(" " + keyword + " {"), std::string::npos)
            << "no \"" << keyword << "\" form: " << text;
    }
    EXPECT_EQ(formatPlural(language, text, 3).find_first_of("{}#"), std::string::npos) << text;
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
            EXPECT_EQ(isPluralMessage(text), isPluralMessage(en->second)) << text;
            if (isPluralMessage(text)) expectPluralMessage(language, text);
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

// Lower-cases ASCII letters only: the other scripts' fragments below are written as they
// appear in running text.
std::string asciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool isAsciiWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Whether `fragment` occurs in `text` (both lower-cased); an ASCII fragment counts only as
// a whole word, so that "fn" does not match inside another word.
bool mentions(const std::string& text, const std::string& fragment) {
    const bool ascii = isAsciiWordChar(fragment.front()) && isAsciiWordChar(fragment.back());
    for (size_t at = text.find(fragment); at != std::string::npos;
         at = text.find(fragment, at + 1)) {
        if (!ascii) return true;
        const size_t end = at + fragment.size();
        if ((at == 0 || !isAsciiWordChar(text[at - 1])) &&
            (end == text.size() || !isAsciiWordChar(text[end])))
            return true;
    }
    return false;
}

// Kelvra runs on Linux desktops: no text may send the user to another platform's keys,
// bars, settings panes or permissions, in any language.
TEST(LocalizationTables, NoTextSpeaksOfAnotherPlatform) {
    const std::vector<std::string> foreign = {
        // Names, keys and symbols.
        "mac", "macs", "macos", "fn", "dock", "finder", "cmd", "hud", "⌘", "⌥", "⌃", "⌫",
        // The bar at the top of the screen.
        "menu bar", "menüleiste", "barre des menus", "barra de menú", "barra de menus",
        "barra dei menu", "menubalk", "pasku menu", "троке меню", "троку меню", "menü çubuğu",
        "メニューバー", "메뉴 막대", "菜单栏", "選單列",
        // Its settings application.
        "system settings", "system preferences", "systemeinstellungen", "réglages système",
        "ajustes del sistema", "configurações do sistema", "impostazioni di sistema",
        "systeeminstellingen", "ustawienia systemowe", "истемные настройки", "sistem ayarları",
        "システム設定", "시스템 설정", "系统设置", "系統設定",
        // Its window-control permission.
        "accessibility", "bedienungshilfen", "accessibilité", "accesibilidad", "acessibilidade",
        "accessibilità", "toegankelijkheid", "dostępności", "ниверсальн", "erişilebilirlik",
        "アクセシビリティ", "손쉬운 사용", "辅助功能", "輔助使用"};
    for (auto language : allAppLanguages()) {
        for (const auto& [key, text] : table(language)) {
            const std::string lower = asciiLower(text);
            for (const auto& word : foreign) {
                EXPECT_FALSE(mentions(lower, word))
                    << rawValue(language) << " " << key << " mentions \"" << word << "\": " << text;
            }
        }
    }
}

// Case-folded in every script, so that "Ajustes" and "Раскладка" are found too.
std::string folded(const std::string& text) {
    std::string out;
    icu::UnicodeString::fromUTF8(text).foldCase().toUTF8String(out);
    return out;
}

// Whether a word of `text` begins with `stem`: "ajust" finds "ajustes" and "ajustar" but
// not "reajuste". Scripts written without spaces between words match anywhere.
bool hasWordStartingWith(const std::string& text, const std::string& stem) {
    for (size_t at = text.find(stem); at != std::string::npos; at = text.find(stem, at + 1)) {
        if (at == 0) return true;
        int32_t i = static_cast<int32_t>(at);
        UChar32 before;
        U8_PREV(reinterpret_cast<const uint8_t*>(text.data()), 0, i, before);
        UErrorCode status = U_ZERO_ERROR;
        const auto script = uscript_getScript(before, &status);
        const bool spaced = script == USCRIPT_LATIN || script == USCRIPT_CYRILLIC;
        if (!(spaced && u_isalnum(before)) && !(before >= '0' && before <= '9')) return true;
    }
    return false;
}

// Terms that reviewers found wrong once: snap rendered as "paste" or next to "settings",
// window layouts read as keyboard layouts, "all displays" for "any display", and the like.
TEST(LocalizationTables, ReviewedTermsStayOut) {
    const std::vector<std::pair<AppLanguage, std::string>> cases = {
        {AppLanguage::tr, "yapış"},
        {AppLanguage::es, "ajust"},
        {AppLanguage::fr, "réglage"},
        {AppLanguage::fr, "plein écran"},
        {AppLanguage::fr, "deux tiers droite"},
        {AppLanguage::ru, "раскладк"},
        {AppLanguage::ru, "трее"},
        {AppLanguage::de, "infobereich"},
        {AppLanguage::fr, "plus de dispositions"},
        {AppLanguage::it, "window manager"},
        {AppLanguage::nl, "vergro"},
        {AppLanguage::nl, "inlog"},
        {AppLanguage::pl, "tack"},
        {AppLanguage::pl, "odłącz"},
        {AppLanguage::tr, "ekranı kapla"},
        {AppLanguage::ja, "オンボーディング"},
        {AppLanguage::ko, "온보딩"},
        {AppLanguage::ko, "응용 프로그램"},
        {AppLanguage::pl, "domyślny systemu"},
        {AppLanguage::de, "warte auf"},
        {AppLanguage::ja, "すべてのディスプレイ"},
        {AppLanguage::ja, "ウインドウ"},
        {AppLanguage::ko, "모든 디스플레이"},
        {AppLanguage::ko, "윈도우"},
        {AppLanguage::zhHans, "内建"},
        {AppLanguage::zhHant, "視窗管理器"},
    };
    for (const auto& [language, fragment] : cases) {
        for (const auto& [key, text] : table(language)) {
            EXPECT_FALSE(hasWordStartingWith(folded(text), fragment))
                << rawValue(language) << " " << key << ": " << text;
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
