#include "l10n/L10n.h"

#include <variant>

#include "l10n/FrameworkLanguage.h"
#include "l10n/LocalizationTables.h"
#include "port/Platform.h"

namespace kelvra {

namespace {

std::optional<std::string> storedCode() {
    auto value = platform().defaults->object("languageCode");
    if (!value) return std::nullopt;
    if (const auto* s = std::get_if<std::string>(&*value)) return *s;
    return std::nullopt;
}

const std::string* lookup(AppLanguage language, const std::string& key) {
    const auto& tables = LocalizationTables::tables();
    auto table = tables.find(language);
    if (table == tables.end()) return nullptr;
    auto text = table->second.find(key);
    return text == table->second.end() ? nullptr : &text->second;
}

}  // namespace

L10n::L10n() {
    auto code = storedCode();
    auto chosen = code ? appLanguageFromRaw(*code) : std::nullopt;
    language.setQuietly(chosen ? *chosen : systemDefaultLanguage());
    syncSystemOverride(code);
}

Subscription L10n::follow(Published<std::optional<std::string>>& code) {
    return code.sink([this](const std::optional<std::string>& c) { apply(c); });
}

std::string L10n::string(const std::string& key) const {
    if (const auto* text = lookup(language(), key)) return *text;
    if (const auto* text = lookup(AppLanguage::en, key)) return *text;
    return key;
}

void L10n::apply(const std::optional<std::string>& code) {
    auto chosen = code ? appLanguageFromRaw(*code) : std::nullopt;
    language.set(chosen ? *chosen : systemDefaultLanguage());
    syncSystemOverride(code);
}

void L10n::syncSystemOverride(const std::optional<std::string>& code) {
    auto chosen = code ? appLanguageFromRaw(*code) : std::nullopt;
    auto& defaults = *platform().defaults;
    if (chosen) {
        std::string id(rawValue(*chosen));
        defaults.set("AppleLanguages", port::StringArray{id});
        FrameworkLanguage::setCode(id);
    } else {
        defaults.remove("AppleLanguages");
        FrameworkLanguage::setCode(std::nullopt);
    }
}

std::vector<std::pair<std::string, std::string>> L10n::pickerOptions() const {
    std::vector<std::pair<std::string, std::string>> options;
    options.emplace_back("", string("common.systemDefault"));
    for (auto l : allAppLanguages()) options.emplace_back(rawValue(l), nativeName(l));
    return options;
}

std::string format(const std::string& pattern, const std::vector<std::string>& args) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() &&
            (pattern[i + 1] == '@' || pattern[i + 1] == 'd')) {
            if (next < args.size()) out += args[next++];
            ++i;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}

}  // namespace kelvra
