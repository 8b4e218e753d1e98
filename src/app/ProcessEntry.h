#pragma once

#include <string>
#include <vector>

namespace kelvra {

// The first steps of the process, before anything is localized.
namespace ProcessEntry {

// Opens the settings window ("--settings=TAB": on that tab) in the running instance.
inline constexpr const char* settingsOption = "--settings";
// Removes what a Wayland start installed into the compositor (KWin's script, GNOME
// Shell's extension), then exits.
inline constexpr const char* removeDesktopBridgeOption = "--remove-desktop-bridge";

// What the command line asks for. Answered before the display, the instance lock or
// the settings file are touched, so that --help works anywhere and changes nothing.
struct CommandLineAnswer {
    bool run = true;                   // start, or hand the arguments to the running instance
    int exitCode = 0;                  // the status to exit with when not running
    std::string out;                   // for standard output
    std::string error;                 // for standard error
    bool removeDesktopBridge = false;  // instead of running: the desktop bridge goes
};

// `arguments` without the program name. Options: -h/--help, --version; "--" ends the
// options. Anything else starting with '-' is a usage error (status 2); other
// arguments (kelvra: links) are for the instance.
CommandLineAnswer readCommandLine(const std::vector<std::string>& arguments,
                                  const std::string& version);

// Reads the stored language: a non-empty code is kept as the one-element
// "interfaceLanguages" array and forced on the toolkit's own texts; otherwise both are
// cleared.
void prepareLanguage();
}  // namespace ProcessEntry

}  // namespace kelvra
