#pragma once

#include <map>
#include <string>
#include <string_view>

#include "l10n/AppLanguage.h"

namespace kelvra {

// The interface texts of every language, compiled into the program.
class LocalizationTables {
  public:
    using Table = std::map<std::string, std::string, std::less<>>;

    // Parsed once, on first use. Every language's table holds the same keys.
    static const std::map<AppLanguage, Table>& tables();
};

// The embedded JSON source of one language's table (generated at build time).
std::string_view embeddedLocalizationTable(AppLanguage language);

}  // namespace kelvra
