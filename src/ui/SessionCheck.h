#pragma once

#include <optional>
#include <string>

namespace kelvra {

// Whether this desktop lets Kelvra arrange windows. On X11 no permission is asked for;
// what can fail is the session (a Wayland session shows only the X11 programs it runs
// through XWayland) and the window manager (without one, windows may not move). On GNOME's
// Wayland session the bridge Kelvra installed answers only from the next login on.
enum class SessionCheck {
    ready,
    needsPermission,
    waylandSession,
    noWindowManager,
    newSessionNeeded
};

// `sessionType` is the session's XDG_SESSION_TYPE, none when unset.
SessionCheck checkSession(const std::optional<std::string>& sessionType, bool hasWindowManager,
                          bool permissionGranted);

// The check for the running program: the installed platform and the environment.
SessionCheck checkThisSession();

}  // namespace kelvra
