#include "backends/x11/X11Backend.h"

// Qt's headers (through the pump) before Xlib's, whose macros would break them.
#include "backends/x11/X11EventPump.h"

#include <cstdlib>
#include <optional>

#include "backends/x11/VirtualKeyCodes.h"
#include "backends/x11/X11Applications.h"
#include "backends/x11/X11Connection.h"
#include "backends/x11/X11HotKeys.h"
#include "backends/x11/X11KeyboardLayout.h"
#include "backends/x11/X11ManagerSnapping.h"
#include "backends/x11/X11MouseEvents.h"
#include "backends/x11/X11Screens.h"
#include "backends/x11/X11WindowService.h"
#include "backends/x11/X11WindowSystem.h"
#include "port/Platform.h"

namespace kelvra::x11 {

// In the order they are built: each one's dependencies first.
struct X11Backend::Ports {
    explicit Ports(X11Connection& connection)
        : keys(connection),
          screens(connection),
          applications(connection),
          windows(connection, applications),
          hotKeys(connection, keys),
          keyboardLayout(connection, keys),
          mouseEvents(connection),
          pump(connection.fd(), [&connection] { connection.dispatchPending(); }),
          windowSystem(connection, &keys),
          managerSnapping(connection) {}

    VirtualKeyCodes keys;
    X11Screens screens;
    X11Applications applications;
    X11WindowService windows;
    X11HotKeys hotKeys;
    X11KeyboardLayout keyboardLayout;
    X11MouseEvents mouseEvents;
    X11EventPump pump;
    X11WindowSystem windowSystem;
    X11ManagerSnapping managerSnapping;
};

struct X11Backend::Impl {
    X11Connection connection;
    std::optional<Ports> ports;
};

X11Backend::X11Backend() : impl_(std::make_unique<Impl>()) {}

X11Backend::~X11Backend() = default;

std::unique_ptr<X11Backend> X11Backend::open() {
    std::unique_ptr<X11Backend> backend(new X11Backend());
    // The connection has said why it could not open.
    if (!backend->impl_->connection.isOpen()) return nullptr;
    // The program's own windows must live on the same X server as the windows it arranges.
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (!chosen || !*chosen) setenv("QT_QPA_PLATFORM", "xcb", 1);
    return backend;
}

void X11Backend::provide(Platform& platform) {
    auto& ports = impl_->ports;
    if (!ports) {
        ports.emplace(impl_->connection);
        if (!impl_->connection.hasWindowManager())
            logLine("no EWMH window manager is running; windows may not move as expected");
    }
    platform.backend = this;
    platform.windows = &ports->windows;
    platform.screens = &ports->screens;
    platform.applications = &ports->applications;
    platform.hotKeys = &ports->hotKeys;
    platform.keyboardLayout = &ports->keyboardLayout;
    platform.mouseEvents = &ports->mouseEvents;
    platform.managerSnapping = &ports->managerSnapping;
}

port::WindowSystem* X11Backend::windowSystem() {
    return impl_->ports ? &impl_->ports->windowSystem : nullptr;
}

}  // namespace kelvra::x11
