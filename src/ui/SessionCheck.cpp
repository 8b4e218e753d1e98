#include "ui/SessionCheck.h"

#include <cstdlib>

#include "port/Backend.h"
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
    // With a Wayland display the program runs on a Wayland backend (it never falls back
    // to Xwayland there): the session is not the limited one. Until the compositor's
    // bridge answers, the window manager counts as missing.
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (type == "wayland" && wayland && *wayland) type.reset();
    const SessionCheck check = checkSession(
        type, platform().windows->capabilities().hasWindowManager, Permissions::isGranted());
    if (check == SessionCheck::noWindowManager && platform().backend &&
        platform().backend->bridgeNeedsNewSession())
        return SessionCheck::newSessionNeeded;
    return check;
}

}  // namespace kelvra
