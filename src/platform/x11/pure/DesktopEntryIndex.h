#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/x11/pure/DesktopEntry.h"

namespace kelvra::x11 {

// The application desktop entries installed for the user, found the way desktop
// environments find them: the data directories in order of precedence, each one's
// "applications" folder searched recursively, the first entry of an id winning.
class DesktopEntryIndex {
  public:
    // Reads every entry below the data directories, most important first.
    explicit DesktopEntryIndex(const std::vector<std::string>& dataDirs);
    // The data directories of the environment: $XDG_DATA_HOME then $XDG_DATA_DIRS,
    // with their standard defaults.
    static std::vector<std::string> environmentDataDirs();

    const std::vector<DesktopEntry>& entries() const { return entries_; }
    // The entry with this id ("org.example.App", a ".desktop" suffix allowed).
    const DesktopEntry* byId(const std::string& id) const;
    // The entry of a window with this WM_CLASS (instance, class) and GTK application id:
    // the application id, then StartupWMClass, then the entry's id (or the last part of a
    // reverse-domain id) against the class, all compared case-insensitively.
    const DesktopEntry* match(const std::string& instance, const std::string& windowClass,
                              const std::string& gtkApplicationId) const;

  private:
    std::vector<DesktopEntry> entries_;
};

}  // namespace kelvra::x11
