#include "backends/wayland/BridgePorts.h"

#include <unistd.h>

#include <cstdlib>

namespace kelvra::wayland {

BridgePorts::BridgePorts(port::RunLoop& runLoop)
    : session(runLoop, getpid()),
      service(session),
      windows(session, service),
      screens(session, service),
      applications(session),
      mouseEvents(session),
      windowSystem(session),
      placer(session) {}

void BridgePorts::useWaylandToolkit() {
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (!chosen || !*chosen) setenv("QT_QPA_PLATFORM", "wayland", 1);
    // The toolkit then keeps the position a panel asks for, which the bridge applies;
    // otherwise it reports every window at the screen's corner.
    setenv("QT_WAYLAND_DISABLE_FIXED_POSITIONS", "1", 0);
}

void BridgePorts::provide(Platform& platform) {
    platform.windows = &windows;
    platform.screens = &screens;
    platform.applications = &applications;
    platform.mouseEvents = &mouseEvents;
}

}  // namespace kelvra::wayland
