#pragma once

#include <string>
#include <vector>

namespace kelvra::xdg {

// What a window is matched against: an installed application's id (its desktop file
// name without ".desktop") and the window class its entry declares.
struct AppEntryKey {
    std::string id;
    std::string startupWMClass;
};

// The entry of a window with this WM_CLASS (instance, class) and GTK application id:
// the application id, then the declared window class, then the entry's id (or the last
// part of a reverse-domain id) against the class, all compared case-insensitively.
// Nothing (-1) when none matches; else the index into `entries`.
int matchAppEntry(const std::vector<AppEntryKey>& entries, const std::string& instance,
                  const std::string& windowClass, const std::string& gtkApplicationId);

// "org.example.App.desktop" -> "org.example.App".
std::string withoutDesktopSuffix(const std::string& id);

}  // namespace kelvra::xdg
