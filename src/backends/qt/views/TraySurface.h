#pragma once

#include <memory>
#include <optional>

#include "port/Surfaces.h"
#include "port/WindowSystem.h"

class QMenu;
class QSystemTrayIcon;

namespace kelvra::views {

// The tray icon and its menu. Qt speaks to the desktop's tray: a status-notifier host
// over D-Bus where one runs, else the XEmbed system tray. Without any tray the icon
// waits hidden (and appears when a tray starts); that is logged once.
class TraySurface final : public port::Surface {
  public:
    TraySurface(port::WindowSystem& windowSystem, const port::TrayModel& model);
    ~TraySurface() override;

    port::SurfaceKind kind() const override { return port::SurfaceKind::tray; }
    void setFrame(const Rect&) override {}
    void setOpacity(double) override {}
    void setVisible(bool visible) override;
    void setModel(const port::SurfaceModel& model) override;
    // The menu as built from the model (the documentation's gallery draws it).
    QMenu& menu() const { return *menu_; }

  private:
    void applyIcon();
    // Types a menu's window as a popup menu before it maps, as compositors and window
    // managers expect (Qt leaves it a normal window).
    void typeAsPopupMenu(QMenu* menu);
    void rebuildMenu();

    port::WindowSystem& windowSystem_;
    port::TrayModel model_;
    std::optional<port::TrayIcon> shownIcon_;
    bool menuStale_ = true;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace kelvra::views
