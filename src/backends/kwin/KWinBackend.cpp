#include "backends/kwin/KWinBackend.h"

#include <unistd.h>

#include <cstdlib>

#include "backends/bridge/BridgeSession.h"
#include "backends/kwin/BridgeInstaller.h"
#include "backends/kwin/KGlobalAccelHotKeys.h"
#include "backends/kwin/KWinKeyboardLayout.h"
#include "backends/wayland/BridgeApplications.h"
#include "backends/wayland/BridgeMouseEvents.h"
#include "backends/wayland/BridgeScreens.h"
#include "backends/wayland/BridgeService.h"
#include "backends/wayland/BridgeWindowSystem.h"
#include "backends/wayland/BridgeWindows.h"
#include "backends/wayland/OwnWindowPlacer.h"
#include "backends/wm/KWinEdgeSnapping.h"
#include "port/Platform.h"

namespace kelvra::kwin {

// In the order they are built: the session first, everything else reads it.
struct KWinBackend::Ports {
    explicit Ports(port::RunLoop& runLoop)
        : session(runLoop, getpid()),
          service(session),
          windows(session, service),
          screens(session, service),
          applications(session),
          mouseEvents(session),
          hotKeys(keyboardLayout),
          windowSystem(session),
          placer(session) {}

    bridge::BridgeSession session;
    wayland::BridgeService service;
    wayland::BridgeWindows windows;
    wayland::BridgeScreens screens;
    wayland::BridgeApplications applications;
    wayland::BridgeMouseEvents mouseEvents;
    KWinKeyboardLayout keyboardLayout;
    KGlobalAccelHotKeys hotKeys;
    wayland::BridgeWindowSystem windowSystem;
    wm::KWinEdgeSnapping edgeSnapping;
    wayland::OwnWindowPlacer placer;
};

KWinBackend::KWinBackend() = default;

KWinBackend::~KWinBackend() = default;

std::unique_ptr<KWinBackend> KWinBackend::open() {
    // The program's own windows are Wayland windows of the same compositor.
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (!chosen || !*chosen) setenv("QT_QPA_PLATFORM", "wayland", 1);
    // The toolkit then keeps the position a panel asks for, which the bridge applies;
    // otherwise it reports every window at the screen's corner.
    setenv("QT_WAYLAND_DISABLE_FIXED_POSITIONS", "1", 0);
    return std::unique_ptr<KWinBackend>(new KWinBackend());
}

void KWinBackend::provide(Platform& platform) {
    if (!ports_) {
        ports_ = std::make_unique<Ports>(*platform.runLoop);
        if (ports_->service.start()) {
            logLine("desktop: KDE Plasma (Wayland), through the KWin bridge");
            installBridge();
        }
    }
    platform.backend = this;
    platform.windows = &ports_->windows;
    platform.screens = &ports_->screens;
    platform.applications = &ports_->applications;
    platform.hotKeys = &ports_->hotKeys;
    platform.keyboardLayout = &ports_->keyboardLayout;
    platform.mouseEvents = &ports_->mouseEvents;
    platform.managerSnapping = &ports_->edgeSnapping;
}

port::WindowSystem* KWinBackend::windowSystem() {
    return ports_ ? &ports_->windowSystem : nullptr;
}

}  // namespace kelvra::kwin
