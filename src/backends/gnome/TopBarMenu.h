#pragma once

#include <memory>

#include "backends/bridge/BridgeMessages.h"
#include "backends/bridge/BridgeSession.h"
#include "base/LifetimeGuard.h"
#include "base/Signal.h"
#include "port/Surfaces.h"

namespace kelvra::gnome {

// The tray on GNOME, which has none: Kelvra's menu drawn by the extension as a button in
// the top bar. The model goes over the bridge whenever it changes and again after each
// welcome (a restarted shell, or a bridge that lost Kelvra, shows no button); the item the
// user chooses comes back by its id, as from the tray.
class TopBarMenuSurface final : public port::Surface {
  public:
    TopBarMenuSurface(bridge::BridgeSession& session, port::TrayModel model);
    ~TopBarMenuSurface() override;  // the button goes
    TopBarMenuSurface(const TopBarMenuSurface&) = delete;
    TopBarMenuSurface& operator=(const TopBarMenuSurface&) = delete;

    port::SurfaceKind kind() const override { return port::SurfaceKind::tray; }
    void setFrame(const Rect&) override {}  // the top bar places it
    void setOpacity(double) override {}
    void setVisible(bool visible) override;
    void setModel(const port::SurfaceModel& model) override;

    // The model as the bridge's command carries it.
    static bridge::TopBarMenu menuOf(const port::TrayModel& model);

  private:
    void send();

    bridge::BridgeSession& session_;
    port::TrayModel model_;
    bool visible_ = false;
    Subscription choosing_;
    Subscription welcomed_;
    LifetimeGuard lifetime_;  // last: posted choices end before the rest goes
};

// The surfaces GNOME's extension draws in place of the toolkit's: the top-bar menu.
class TopBarSurfaces final : public port::Surfaces {
  public:
    explicit TopBarSurfaces(bridge::BridgeSession& session) : session_(session) {}

    std::unique_ptr<port::Surface> create(const port::SurfaceModel& model) override;

  private:
    bridge::BridgeSession& session_;
};

}  // namespace kelvra::gnome
