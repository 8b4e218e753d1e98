#pragma once

#include <filesystem>

namespace kelvra::xdg {

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path,
// else ~/.config. Nothing is created.
std::filesystem::path configHome();

}  // namespace kelvra::xdg
