#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvra::xdg {

// The text of an INI-style desktop configuration file (kwinrc) with one key of one group
// set to `value`, or removed when `value` is empty. Every other line stays as it was:
// comments, other groups, keys the program does not know, their order.
std::string withConfigKey(std::string_view text, std::string_view group, std::string_view key,
                          std::string_view value);
// The value one key of one group has in such a text; absent when the key is not set.
std::optional<std::string> configKey(std::string_view text, std::string_view group,
                                     std::string_view key);

}  // namespace kelvra::xdg
