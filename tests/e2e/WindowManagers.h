#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kelvra::e2e {

// The window manager a desktop that wants one starts: KELVRA_E2E_WM (openbox, xfwm4,
// icewm, fluxbox, mutter, kwin or none), openbox when unset.
std::string chosenWindowManager();

// How to start a window manager in a session whose HOME and XDG folders are `home`.
struct WindowManagerLaunch {
    std::vector<std::string> argv;
    std::map<std::string, std::string> environment;  // added to the session's
};

// `stock`: the configuration Debian ships (key bindings included). Otherwise one that
// leaves every Ctrl+Alt and Super combination to the programs, where the manager allows
// it, with a single workspace. Configuration files are written below `home`.
WindowManagerLaunch windowManagerLaunch(const std::string& name, const std::filesystem::path& home,
                                        bool stock);

}  // namespace kelvra::e2e
