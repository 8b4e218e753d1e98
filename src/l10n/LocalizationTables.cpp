#include "l10n/LocalizationTables.h"

#include <nlohmann/json.hpp>

#include "port/Platform.h"

namespace kelvra {

namespace {

LocalizationTables::Table parseTable(AppLanguage language) {
    LocalizationTables::Table table;
    // The build already rejects malformed tables; should one slip through, its texts fall
    // back to English (or the key) instead of taking the program down.
    auto json = nlohmann::json::parse(embeddedLocalizationTable(language), nullptr, false);
    if (!json.is_object()) {
        logLine("localization table " + std::string(rawValue(language)) + " is unreadable");
        return table;
    }
    for (const auto& [key, value] : json.items()) {
        if (value.is_string()) table.emplace(key, value.get<std::string>());
    }
    return table;
}

}  // namespace

const std::map<AppLanguage, LocalizationTables::Table>& LocalizationTables::tables() {
    static const std::map<AppLanguage, Table> all = [] {
        std::map<AppLanguage, Table> m;
        for (auto language : allAppLanguages()) m.emplace(language, parseTable(language));
        return m;
    }();
    return all;
}

}  // namespace kelvra
