#include "backends/xdg/EnvLocale.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <utility>

namespace kelvra::xdg {

namespace {

bool allOf(std::string_view s, int (*test)(int)) {
    return std::all_of(s.begin(), s.end(), [test](unsigned char c) { return test(c) != 0; });
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Script modifiers that glibc locales use in place of a script subtag.
std::optional<std::string> scriptForModifier(std::string_view modifier) {
    auto m = lower(modifier);
    if (m == "latin") return "Latn";
    if (m == "cyrillic") return "Cyrl";
    if (m == "devanagari") return "Deva";
    return std::nullopt;
}

}  // namespace

EnvLocale::EnvLocale()
    : lookup_([](const std::string& name) -> std::optional<std::string> {
          const char* value = std::getenv(name.c_str());
          if (!value) return std::nullopt;
          return std::string(value);
      }) {}

EnvLocale::EnvLocale(Lookup lookup) : lookup_(std::move(lookup)) {}

std::optional<std::string> EnvLocale::languageTag(std::string_view posixName) {
    // language[_territory][.codeset][@modifier]
    std::string_view modifier;
    if (auto at = posixName.find('@'); at != std::string_view::npos) {
        modifier = posixName.substr(at + 1);
        posixName = posixName.substr(0, at);
    }
    if (auto dot = posixName.find('.'); dot != std::string_view::npos) {
        posixName = posixName.substr(0, dot);
    }
    std::string_view language = posixName;
    std::string_view territory;
    if (auto sep = posixName.find_first_of("_-"); sep != std::string_view::npos) {
        language = posixName.substr(0, sep);
        territory = posixName.substr(sep + 1);
    }
    // "C" and "POSIX" name no language; neither does anything that is not letters.
    if (language.size() < 2 || language.size() > 8 || !allOf(language, std::isalpha)) {
        return std::nullopt;
    }
    if (lower(language) == "posix") return std::nullopt;
    if (!territory.empty() && (territory.size() > 8 || !allOf(territory, std::isalnum))) {
        return std::nullopt;
    }

    std::string tag = lower(language);
    if (auto script = scriptForModifier(modifier)) tag += "-" + *script;
    if (!territory.empty()) tag += "-" + upper(territory);
    return tag;
}

std::vector<std::string> EnvLocale::preferredLanguages() {
    std::vector<std::string> tags;
    auto add = [&tags](std::string_view name) {
        auto tag = languageTag(name);
        if (tag && std::find(tags.begin(), tags.end(), *tag) == tags.end()) tags.push_back(*tag);
    };

    if (auto list = lookup_("LANGUAGE")) {
        std::string_view rest = *list;
        while (!rest.empty()) {
            auto colon = rest.find(':');
            add(rest.substr(0, colon));
            if (colon == std::string_view::npos) break;
            rest.remove_prefix(colon + 1);
        }
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        auto value = lookup_(name);
        if (value && !value->empty()) {
            add(*value);
            break;
        }
    }
    return tags;
}

}  // namespace kelvra::xdg
