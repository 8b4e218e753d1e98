#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "l10n/AppLanguage.h"

namespace kelvra {

// Plural forms, lists and numbers as each interface language writes them (ICU and the
// CLDR data behind it).

// Fills an ICU message pattern's "count" argument, choosing the language's plural form:
// "{count, plural, one {# window} other {# windows}}". A pattern ICU refuses comes back
// unchanged, so a broken table shows its text rather than nothing.
std::string formatPlural(AppLanguage language, const std::string& pattern, int64_t count);

// "A, B and C" in the language's own words and punctuation.
std::string joinList(AppLanguage language, const std::vector<std::string>& items);

// A fraction (0.42) as a percentage: "42%", "42 %", "%42".
std::string formatPercent(AppLanguage language, double fraction);

// Whether a table text is an ICU message with plural forms rather than a "%@" pattern.
bool isPluralMessage(const std::string& text);

}  // namespace kelvra
