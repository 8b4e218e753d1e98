#include "backends/BackendFactory.h"

#include <gio/gio.h>

#include <cstdlib>

#include "backends/gnome/GnomeBackend.h"
#include "backends/kwin/KWinBackend.h"
#include "backends/x11/X11Backend.h"

namespace kelvra::backends {

namespace {

struct Candidate {
    const char* name;
    bool (*fits)(const Session&);
    std::unique_ptr<port::Backend> (*open)();
};

// A new desktop is one more line here, before the ones it should win over.
const Candidate candidates[] = {
    {kdePlasmaWayland, [](const Session& s) { return s.wayland() && s.kwinOnBus; },
     []() -> std::unique_ptr<port::Backend> { return kwin::KWinBackend::open(); }},
    {gnomeWayland, [](const Session& s) { return s.wayland() && s.gnomeShellOnBus; },
     []() -> std::unique_ptr<port::Backend> { return gnome::GnomeBackend::open(); }},
    // Never inside a Wayland session: Xwayland shows only its own clients' windows.
    {"X11", [](const Session& s) { return !s.display.empty() && !s.wayland(); },
     []() -> std::unique_ptr<port::Backend> { return x11::X11Backend::open(); }},
};

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Asked through GIO: the toolkit's bus connection must wait for its application object.
bool busHasName(const char* name) {
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return false;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", name), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE,
        2000, nullptr, &error);
    gboolean has = FALSE;
    if (reply) {
        g_variant_get(reply, "(b)", &has);
        g_variant_unref(reply);
    }
    g_clear_error(&error);
    g_object_unref(bus);
    return has;
}

}  // namespace

Session Session::current() {
    Session s{variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("XDG_SESSION_TYPE")};
    if (s.wayland()) {
        s.kwinOnBus = busHasName("org.kde.KWin");
        s.gnomeShellOnBus = !s.kwinOnBus && busHasName("org.gnome.Shell");
    }
    return s;
}

BackendChoice chooseBackend(const Session& session) {
    for (const auto& candidate : candidates) {
        if (candidate.fits(session)) return {candidate.name, "", candidate.open};
    }
    BackendChoice none;
    if (session.wayland()) {
        none.refusal =
            "this Wayland session's compositor is neither KWin nor GNOME Shell. On Wayland "
            "Kelvra supports KDE Plasma (KWin) and GNOME; elsewhere log in to an X11 session.";
    } else if (!session.waylandDisplay.empty()) {
        none.refusal =
            "no X display ($DISPLAY is not set). On Wayland Kelvra supports KDE Plasma and "
            "GNOME sessions ($XDG_SESSION_TYPE=wayland with KWin or GNOME Shell); otherwise "
            "start it in an X11 session.";
    } else {
        none.refusal =
            "no X display ($DISPLAY is not set). Start Kelvra inside a graphical X11 session.";
    }
    return none;
}

}  // namespace kelvra::backends
