#include "app/ProcessEntry.h"

#include <string>
#include <variant>

#include "l10n/L10n.h"
#include "platform/port/Platform.h"

namespace kelvra {

void ProcessEntry::prepareLanguage() {
    auto stored = platform().defaults->object("languageCode");
    const std::string* code = stored ? std::get_if<std::string>(&*stored) : nullptr;
    // The same rule as every later language switch: only a code we have a table for
    // is written back as the preferred language and forced on the toolkit, so a damaged
    // value cannot follow the user into the next start.
    L10n::syncSystemOverride(code && !code->empty() ? std::optional<std::string>(*code)
                                                    : std::nullopt);
}

}  // namespace kelvra
