#pragma once

#include <cstddef>
#include <string>

namespace kelvra {

// Case mapping of UTF-8 text, one code point at a time (so "ß" stays "ß").
// Bytes that are not valid UTF-8 are copied unchanged.
std::string utf8ToUpper(const std::string& text);
std::string utf8ToLower(const std::string& text);

// The number of code points; an invalid byte counts as one.
size_t utf8CodePointCount(const std::string& text);

}  // namespace kelvra
