#include "ui/SessionCheck.h"

#include <cstdlib>

#include "port/Platform.h"
#include "window/WindowHandle.h"

namespace kelvra {

SessionCheck checkSession(const std::optional<std::string>& sessionType, bool hasWindowManager,
                          bool permissionGranted) {
    if (sessionType == "wayland") return SessionCheck::waylandSession;
    if (!permissionGranted) return SessionCheck::needsPermission;
    if (!hasWindowManager) return SessionCheck::noWindowManager;
    return SessionCheck::ready;
}

SessionCheck checkThisSession() {
    std::optional<std::string> type;
    if (const char* t = std::getenv("XDG_SESSION_TYPE")) type = t;
    return checkSession(type, platform().windows->capabilities().hasWindowManager,
                        Permissions::isGranted());
}

}  // namespace kelvra
