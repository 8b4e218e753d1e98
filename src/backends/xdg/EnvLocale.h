#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "port/Locale.h"

namespace kelvra::xdg {

// The user's preferred languages as the environment states them: the LANGUAGE list
// first, then the locale that governs messages (LC_ALL, else LC_MESSAGES, else LANG).
class EnvLocale : public port::Locale {
  public:
    using Lookup = std::function<std::optional<std::string>(const std::string& name)>;

    EnvLocale();  // reads the process environment
    explicit EnvLocale(Lookup lookup);

    std::vector<std::string> preferredLanguages() override;

    // "de_CH.UTF-8" → "de-CH", "sr_RS@latin" → "sr-Latn-RS"; none for C, POSIX and
    // anything that is not a locale name.
    static std::optional<std::string> languageTag(std::string_view posixName);

  private:
    Lookup lookup_;
};

}  // namespace kelvra::xdg
