#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

// The fourteen interface languages, in picker order.
enum class AppLanguage { en, ja, ko, zhHans, zhHant, de, fr, es, ptBR, ru, it, nl, pl, tr };

inline constexpr size_t appLanguageCount = 14;

const std::array<AppLanguage, appLanguageCount>& allAppLanguages();
std::string_view rawValue(AppLanguage language);  // also its id: "en", "zh-Hans", ...
std::optional<AppLanguage> appLanguageFromRaw(std::string_view raw);
std::string_view nativeName(AppLanguage language);

// The language derived from the user's preferred languages, in order.
AppLanguage systemDefaultLanguage(const std::vector<std::string>& preferredLanguages);
// The same with the platform's preferred languages.
AppLanguage systemDefaultLanguage();

}  // namespace kelvra
