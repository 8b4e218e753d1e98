#include "backends/gnome/GnomeBackend.h"

#include "backends/gnome/GnomeBridgeInstaller.h"
#include "backends/gnome/GnomeKeyboardLayout.h"
#include "backends/gnome/TopBarMenu.h"
#include "backends/wayland/BridgeHotKeys.h"
#include "backends/wayland/BridgePorts.h"
#include "backends/wm/GSettingsEdgeSnapping.h"
#include "port/Platform.h"

namespace kelvra::gnome {

// The ports every bridge backend shares, then GNOME's own.
struct GnomeBackend::Ports {
    explicit Ports(port::RunLoop& runLoop)
        : bridge(runLoop),
          hotKeys(bridge.session, bridge.service, bridge.windows),
          edgeSnapping("GNOME Shell", "org.gnome.mutter", "edge-tiling"),
          surfaces(bridge.session) {}

    wayland::BridgePorts bridge;
    GnomeKeyboardLayout keyboardLayout;
    wayland::BridgeHotKeys hotKeys;
    wm::GSettingsEdgeSnapping edgeSnapping;
    TopBarSurfaces surfaces;
};

GnomeBackend::GnomeBackend() = default;

GnomeBackend::~GnomeBackend() = default;

std::unique_ptr<GnomeBackend> GnomeBackend::open() {
    wayland::BridgePorts::useWaylandToolkit();
    return std::unique_ptr<GnomeBackend>(new GnomeBackend());
}

void GnomeBackend::provide(Platform& platform) {
    if (!ports_) {
        ports_ = std::make_unique<Ports>(*platform.runLoop);
        if (ports_->bridge.service.start()) {
            ports_->bridge.service.offerDirectConnection();
            logLine("desktop: GNOME (Wayland), through the GNOME Shell extension");
            installBridge();
        }
    }
    platform.backend = this;
    ports_->bridge.provide(platform);
    platform.hotKeys = &ports_->hotKeys;
    platform.keyboardLayout = &ports_->keyboardLayout;
    platform.managerSnapping = &ports_->edgeSnapping;
}

port::Surfaces* GnomeBackend::ownSurfaces() {
    return ports_ ? &ports_->surfaces : nullptr;
}

port::WindowSystem* GnomeBackend::windowSystem() {
    return ports_ ? &ports_->bridge.windowSystem : nullptr;
}

}  // namespace kelvra::gnome
