#include "l10n/AppLanguage.h"

#include <algorithm>
#include <cctype>

#include "port/Platform.h"

namespace kelvra {

namespace {

struct LanguageInfo {
    AppLanguage language;
    std::string_view raw;
    std::string_view native;
};

constexpr std::array<LanguageInfo, appLanguageCount> kLanguages{{
    {AppLanguage::en, "en", "English"},
    {AppLanguage::ja, "ja", "日本語"},
    {AppLanguage::ko, "ko", "한국어"},
    {AppLanguage::zhHans, "zh-Hans", "简体中文"},
    {AppLanguage::zhHant, "zh-Hant", "繁體中文"},
    {AppLanguage::de, "de", "Deutsch"},
    {AppLanguage::fr, "fr", "Français"},
    {AppLanguage::es, "es", "Español"},
    {AppLanguage::ptBR, "pt-BR", "Português (Brasil)"},
    {AppLanguage::ru, "ru", "Русский"},
    {AppLanguage::it, "it", "Italiano"},
    {AppLanguage::nl, "nl", "Nederlands"},
    {AppLanguage::pl, "pl", "Polski"},
    {AppLanguage::tr, "tr", "Türkçe"},
}};

const LanguageInfo& info(AppLanguage language) {
    return kLanguages[static_cast<size_t>(language)];
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// The language a single preference entry selects, if any.
std::optional<AppLanguage> languageForEntry(const std::string& entry) {
    std::string s = entry;
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (startsWith(s, "ja")) return AppLanguage::ja;
    if (startsWith(s, "ko")) return AppLanguage::ko;
    if (startsWith(s, "zh")) {
        // Script or region decides: traditional characters for Hant, Taiwan, Hong Kong, Macau.
        for (std::string_view mark : {"hant", "tw", "hk", "mo"}) {
            if (s.find(mark) != std::string::npos) return AppLanguage::zhHant;
        }
        return AppLanguage::zhHans;
    }
    static constexpr std::pair<std::string_view, AppLanguage> kPrefixes[] = {
        {"de", AppLanguage::de},   {"fr", AppLanguage::fr}, {"es", AppLanguage::es},
        {"pt", AppLanguage::ptBR}, {"ru", AppLanguage::ru}, {"it", AppLanguage::it},
        {"nl", AppLanguage::nl},   {"pl", AppLanguage::pl}, {"tr", AppLanguage::tr},
        {"en", AppLanguage::en},
    };
    for (const auto& [prefix, language] : kPrefixes) {
        if (startsWith(s, prefix)) return language;
    }
    return std::nullopt;
}

}  // namespace

const std::array<AppLanguage, appLanguageCount>& allAppLanguages() {
    static const std::array<AppLanguage, appLanguageCount> all = [] {
        std::array<AppLanguage, appLanguageCount> a{};
        for (size_t i = 0; i < appLanguageCount; ++i) a[i] = kLanguages[i].language;
        return a;
    }();
    return all;
}

std::string_view rawValue(AppLanguage language) {
    return info(language).raw;
}

std::optional<AppLanguage> appLanguageFromRaw(std::string_view raw) {
    for (const auto& l : kLanguages) {
        if (l.raw == raw) return l.language;
    }
    return std::nullopt;
}

std::string_view nativeName(AppLanguage language) {
    return info(language).native;
}

AppLanguage systemDefaultLanguage(const std::vector<std::string>& preferredLanguages) {
    for (const auto& entry : preferredLanguages) {
        if (auto language = languageForEntry(entry)) return *language;
    }
    return AppLanguage::en;
}

AppLanguage systemDefaultLanguage() {
    auto* locale = platform().locale;
    return systemDefaultLanguage(locale ? locale->preferredLanguages()
                                        : std::vector<std::string>{});
}

}  // namespace kelvra
