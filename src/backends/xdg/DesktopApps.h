#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "backends/xdg/AppEntryMatch.h"

namespace kelvra::xdg {

// The installed applications, read through GIO's desktop-entry support (the data
// directories in order of precedence, hidden entries, localized names), and launched
// through it: field codes, terminal applications and D-Bus activation are GIO's.
class DesktopApps {
  public:
    struct Entry {
        std::string id;    // the desktop file name without ".desktop"
        std::string name;  // localized for the session's language
        std::string startupWMClass;
        std::string icon;   // a theme icon name or a file, empty when none
        bool shown = true;  // false for entries hidden from menus (NoDisplay, other desktops)
    };

    DesktopApps();

    // Reads the installed entries again (GIO notices changes itself; this re-asks it).
    void reload();
    const Entry* byId(const std::string& id) const;
    // Every installed entry, in the order GIO gave them.
    const std::vector<Entry>& entries() const { return entries_; }
    // The entry a window with this class and GTK application id belongs to.
    const Entry* match(const std::string& instance, const std::string& windowClass,
                       const std::string& gtkApplicationId) const;

    struct Launched {
        std::optional<pid_t> pid;  // none when the application was activated over D-Bus
        std::string startupId;     // the startup-notification id its windows carry
    };
    // Starts the application without activating it. Nothing when it cannot be started.
    std::optional<Launched> launch(const std::string& id);

  private:
    std::vector<Entry> entries_;
    std::vector<AppEntryKey> keys_;
    unsigned launches_ = 0;
};

}  // namespace kelvra::xdg
