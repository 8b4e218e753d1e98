#pragma once

#include <functional>
#include <memory>
#include <string>

#include "port/Backend.h"

namespace kelvra::backends {

// What the factory looks at in the session the program starts in.
struct Session {
    std::string display;           // $DISPLAY: an X server to talk to
    std::string waylandDisplay;    // $WAYLAND_DISPLAY
    std::string sessionType;       // $XDG_SESSION_TYPE: "x11", "wayland", ...
    bool kwinOnBus = false;        // the session bus has KWin (org.kde.KWin)
    bool gnomeShellOnBus = false;  // the session bus has GNOME Shell (org.gnome.Shell)

    // A Wayland session: its windows are not reachable through Xwayland's $DISPLAY.
    bool wayland() const { return !waylandDisplay.empty() && sessionType == "wayland"; }

    static Session current();
};

// The desktop backend that fits a session, or why none does.
struct BackendChoice {
    std::string name;     // the chosen backend's; empty when none fits
    std::string refusal;  // for the person starting the program, when none fits
    // Opens the backend; null, after a line saying why, when it cannot.
    std::function<std::unique_ptr<port::Backend>()> open;

    explicit operator bool() const { return static_cast<bool>(open); }
};

// The name of KDE Plasma's Wayland backend, as a choice carries it.
inline constexpr const char* kdePlasmaWayland = "KDE Plasma (Wayland)";

// The name of GNOME's Wayland backend, as a choice carries it.
inline constexpr const char* gnomeWayland = "GNOME (Wayland)";

// Asks each backend in turn whether it fits the session: the first that does is chosen.
BackendChoice chooseBackend(const Session& session);

}  // namespace kelvra::backends
