#include "backends/kwin/KWinBackend.h"

#include "backends/kwin/BridgeInstaller.h"
#include "backends/kwin/KGlobalAccelHotKeys.h"
#include "backends/kwin/KWinKeyboardLayout.h"
#include "backends/wayland/BridgePorts.h"
#include "backends/wm/KWinEdgeSnapping.h"
#include "port/Platform.h"

namespace kelvra::kwin {

// The ports every bridge backend shares, then KDE's own.
struct KWinBackend::Ports {
    explicit Ports(port::RunLoop& runLoop) : bridge(runLoop), hotKeys(keyboardLayout) {}

    wayland::BridgePorts bridge;
    KWinKeyboardLayout keyboardLayout;
    KGlobalAccelHotKeys hotKeys;
    wm::KWinEdgeSnapping edgeSnapping;
};

KWinBackend::KWinBackend() = default;

KWinBackend::~KWinBackend() = default;

std::unique_ptr<KWinBackend> KWinBackend::open() {
    wayland::BridgePorts::useWaylandToolkit();
    return std::unique_ptr<KWinBackend>(new KWinBackend());
}

void KWinBackend::provide(Platform& platform) {
    if (!ports_) {
        ports_ = std::make_unique<Ports>(*platform.runLoop);
        if (ports_->bridge.service.start()) {
            logLine("desktop: KDE Plasma (Wayland), through the KWin bridge");
            installBridge();
        }
    }
    platform.backend = this;
    ports_->bridge.provide(platform);
    platform.hotKeys = &ports_->hotKeys;
    platform.keyboardLayout = &ports_->keyboardLayout;
    platform.managerSnapping = &ports_->edgeSnapping;
}

port::WindowSystem* KWinBackend::windowSystem() {
    return ports_ ? &ports_->bridge.windowSystem : nullptr;
}

}  // namespace kelvra::kwin
