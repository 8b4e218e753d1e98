#pragma once

#include <string>

namespace kelvra {

// The text without white space at either end: names typed by the user are kept so.
inline std::string trimmed(const std::string& s) {
    const char* space = " \t\r\n\v\f";
    size_t start = s.find_first_not_of(space);
    if (start == std::string::npos) return "";
    return s.substr(start, s.find_last_not_of(space) - start + 1);
}

}  // namespace kelvra
