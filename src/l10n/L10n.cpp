#include "l10n/L10n.h"

#include <variant>

#include "l10n/FrameworkLanguage.h"
#include "l10n/LocaleFormat.h"
#include "l10n/LocalizationTables.h"
#include "port/Platform.h"

namespace kelvra {

namespace {

// The preferred-languages list as written now, and under the name older files used.
constexpr const char* overrideKey = "interfaceLanguages";
constexpr const char* formerOverrideKey = "AppleLanguages";

std::optional<std::string> firstOfList(port::UserDefaults& defaults, const char* key) {
    auto value = defaults.object(key);
    const auto* list = value ? std::get_if<port::StringArray>(&*value) : nullptr;
    if (!list || list->empty()) return std::nullopt;
    return list->front();
}

const std::string* lookup(AppLanguage language, const std::string& key) {
    const auto& tables = LocalizationTables::tables();
    auto table = tables.find(language);
    if (table == tables.end()) return nullptr;
    auto text = table->second.find(key);
    return text == table->second.end() ? nullptr : &text->second;
}

}  // namespace

std::optional<std::string> L10n::storedCode(port::UserDefaults& defaults) {
    auto value = defaults.object("languageCode");
    if (value) {
        if (const auto* s = std::get_if<std::string>(&*value)) return *s;
        return std::nullopt;
    }
    if (auto code = firstOfList(defaults, overrideKey)) return code;
    return firstOfList(defaults, formerOverrideKey);
}

L10n::L10n() {
    auto code = storedCode(*platform().defaults);
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

std::string L10n::plural(const std::string& key, int64_t count) const {
    return formatPlural(language(), string(key), count);
}

std::string L10n::list(const std::vector<std::string>& items) const {
    return joinList(language(), items);
}

std::string L10n::percent(double fraction) const {
    return formatPercent(language(), fraction);
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
        defaults.set(overrideKey, port::StringArray{id});
        defaults.remove(formerOverrideKey);
        FrameworkLanguage::setCode(id);
    } else {
        defaults.remove(overrideKey);
        defaults.remove(formerOverrideKey);
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
