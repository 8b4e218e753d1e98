#include "backends/gnome/GnomeBackend.h"

#include <unistd.h>

#include <cstdlib>

#include "backends/bridge/BridgeSession.h"
#include "backends/gnome/GnomeBridgeInstaller.h"
#include "backends/gnome/GnomeKeyboardLayout.h"
#include "backends/wayland/BridgeApplications.h"
#include "backends/wayland/BridgeHotKeys.h"
#include "backends/wayland/BridgeMouseEvents.h"
#include "backends/wayland/BridgeScreens.h"
#include "backends/wayland/BridgeService.h"
#include "backends/wayland/BridgeWindowSystem.h"
#include "backends/wayland/BridgeWindows.h"
#include "backends/wayland/OwnWindowPlacer.h"
#include "port/Platform.h"

namespace kelvra::gnome {

// In the order they are built: the session first, everything else reads it.
struct GnomeBackend::Ports {
    explicit Ports(port::RunLoop& runLoop)
        : session(runLoop, getpid()),
          service(session),
          windows(session, service),
          screens(session, service),
          applications(session),
          mouseEvents(session),
          hotKeys(session, service),
          windowSystem(session),
          placer(session) {}

    bridge::BridgeSession session;
    wayland::BridgeService service;
    wayland::BridgeWindows windows;
    wayland::BridgeScreens screens;
    wayland::BridgeApplications applications;
    wayland::BridgeMouseEvents mouseEvents;
    GnomeKeyboardLayout keyboardLayout;
    wayland::BridgeHotKeys hotKeys;
    wayland::BridgeWindowSystem windowSystem;
    wayland::OwnWindowPlacer placer;
};

GnomeBackend::GnomeBackend() = default;

GnomeBackend::~GnomeBackend() = default;

std::unique_ptr<GnomeBackend> GnomeBackend::open() {
    // The program's own windows are Wayland windows of the same compositor.
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (!chosen || !*chosen) setenv("QT_QPA_PLATFORM", "wayland", 1);
    // The toolkit then keeps the position a panel asks for, which the bridge applies.
    setenv("QT_WAYLAND_DISABLE_FIXED_POSITIONS", "1", 0);
    return std::unique_ptr<GnomeBackend>(new GnomeBackend());
}

void GnomeBackend::provide(Platform& platform) {
    if (!ports_) {
        ports_ = std::make_unique<Ports>(*platform.runLoop);
        if (ports_->service.start()) {
            logLine("desktop: GNOME (Wayland), through the GNOME Shell extension");
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
}

port::WindowSystem* GnomeBackend::windowSystem() {
    return ports_ ? &ports_->windowSystem : nullptr;
}

}  // namespace kelvra::gnome
