#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Published.h"
#include "l10n/AppLanguage.h"
#include "port/UserDefaults.h"

namespace kelvra {

// Looks up every user-visible text by key in the current interface language.
class L10n {
  public:
    // Starts in the stored language, else the system's.
    L10n();
    L10n(const L10n&) = delete;
    L10n& operator=(const L10n&) = delete;

    Published<AppLanguage> language{AppLanguage::en};

    // The text in the current language, else English, else the key itself.
    std::string string(const std::string& key) const;
    // The key's plural message (see LocaleFormat.h) with its count filled in.
    std::string plural(const std::string& key, int64_t count) const;
    // Items joined as the current language lists them ("A, B and C").
    std::string list(const std::vector<std::string>& items) const;
    // A fraction written as a percentage in the current language.
    std::string percent(double fraction) const;
    // Switches the language: a valid code selects it, anything else follows the system.
    void apply(const std::optional<std::string>& code);
    // Makes the toolkit and the next start follow the same choice: a valid code is stored
    // as the one-element "interfaceLanguages" list and forced on the toolkit; anything else
    // removes the list and lets both follow the system.
    static void syncSystemOverride(const std::optional<std::string>& code);
    // The stored language code: "languageCode", else the preferred-languages list (also
    // under the name older files wrote it). An empty code means none was chosen.
    static std::optional<std::string> storedCode(port::UserDefaults& defaults);

    // The language picker's choices: an empty code for "follow the system", then each
    // language's raw value with its native name.
    std::vector<std::pair<std::string, std::string>> pickerOptions() const;

    // Applies every later change of the stored language code.
    Subscription follow(Published<std::optional<std::string>>& code);
};

// Fills "%@" and "%d" placeholders in order with the given texts.
std::string format(const std::string& pattern, const std::vector<std::string>& args);

}  // namespace kelvra
