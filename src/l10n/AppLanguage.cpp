#include "l10n/AppLanguage.h"

namespace kelvra {
// Filled in with the localization tables.
AppLanguage systemDefaultLanguage(const std::vector<std::string>&) { return AppLanguage::en; }
}  // namespace kelvra
