#pragma once

#include "backends/bridge/BridgeSession.h"
#include "backends/wayland/BridgeApplications.h"
#include "backends/wayland/BridgeMouseEvents.h"
#include "backends/wayland/BridgeScreens.h"
#include "backends/wayland/BridgeService.h"
#include "backends/wayland/BridgeWindowSystem.h"
#include "backends/wayland/BridgeWindows.h"
#include "backends/wayland/OwnWindowPlacer.h"
#include "port/Platform.h"

namespace kelvra::wayland {

// What every Wayland backend over a bridge holds, in the order they are built: the
// session first, everything else reads it. Hot keys, the keyboard layout and the
// compositor's own snapping are each desktop's own.
struct BridgePorts {
    explicit BridgePorts(port::RunLoop& runLoop);

    // Before the toolkit starts: the program's own windows are Wayland windows of the
    // same compositor, placed by the bridge.
    static void useWaylandToolkit();
    // Points the platform at the windows, screens, applications and mouse events here.
    void provide(Platform& platform);

    bridge::BridgeSession session;
    BridgeService service;
    BridgeWindows windows;
    BridgeScreens screens;
    BridgeApplications applications;
    BridgeMouseEvents mouseEvents;
    BridgeWindowSystem windowSystem;
    OwnWindowPlacer placer;
};

}  // namespace kelvra::wayland
