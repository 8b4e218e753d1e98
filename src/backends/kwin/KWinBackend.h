#pragma once

#include <memory>
#include <string>

#include "port/Backend.h"

namespace kelvra::kwin {

// KDE Plasma's Wayland session: other windows are read and arranged through the bridge
// that runs inside KWin and calls Kelvra's service on the session bus; hot keys go
// through KDE's global shortcut service. The program's own windows are Wayland windows.
class KWinBackend final : public port::Backend {
  public:
    // Prepares the toolkit for Wayland; the bus service starts with provide().
    static std::unique_ptr<KWinBackend> open();
    ~KWinBackend() override;
    KWinBackend(const KWinBackend&) = delete;
    KWinBackend& operator=(const KWinBackend&) = delete;

    std::string name() const override { return "KDE Plasma (Wayland)"; }
    // Needs the platform's run loop and log, and the toolkit's application (for the bus).
    void provide(Platform& platform) override;
    port::WindowSystem* windowSystem() override;

  private:
    KWinBackend();

    struct Ports;
    std::unique_ptr<Ports> ports_;
};

}  // namespace kelvra::kwin
