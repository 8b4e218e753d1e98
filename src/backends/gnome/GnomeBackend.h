#pragma once

#include <memory>
#include <string>

#include "port/Backend.h"

namespace kelvra::gnome {

// GNOME's Wayland session: other windows are read and arranged through the extension
// Kelvra installs into GNOME Shell, which calls Kelvra's service on the session bus and
// also holds Kelvra's hot keys (GNOME has no shortcut service for programs). The
// program's own windows are Wayland windows; the tray's menu is a top-bar button the
// extension draws (GNOME has no tray). Mutter's own edge tiling is read and switched
// through GSettings, as on an X11 GNOME session.
class GnomeBackend final : public port::Backend {
  public:
    // Prepares the toolkit for Wayland; the bus service starts with provide().
    static std::unique_ptr<GnomeBackend> open();
    ~GnomeBackend() override;
    GnomeBackend(const GnomeBackend&) = delete;
    GnomeBackend& operator=(const GnomeBackend&) = delete;

    std::string name() const override { return "GNOME (Wayland)"; }
    // Needs the platform's run loop and log, and the toolkit's application (for the bus).
    void provide(Platform& platform) override;
    port::WindowSystem* windowSystem() override;
    // The tray's menu as a top-bar button the extension draws.
    port::Surfaces* ownSurfaces() override;
    bool bridgeNeedsNewSession() const override { return true; }

  private:
    GnomeBackend();

    struct Ports;
    std::unique_ptr<Ports> ports_;
};

}  // namespace kelvra::gnome
