#pragma once

#include <string>
#include <vector>

namespace kelvra::port {

// The user's language preferences.
class Locale {
  public:
    virtual ~Locale() = default;
    // Preferred languages, most preferred first, as BCP 47 tags ("de-CH", "zh-TW").
    virtual std::vector<std::string> preferredLanguages() = 0;
};

}  // namespace kelvra::port
