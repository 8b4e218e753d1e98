#pragma once

#include <memory>
#include <optional>

#include "platform/port/Surfaces.h"

namespace kelvra {

class AppSettings;

enum class SettingsTab {
    general,
    snap,
    tiling,
    shortcuts,
    layout,
    workspaces,
    autoPlace,
    exclude,
    account
};

// The settings window, drawn through the surfaces port. For now it shows its tab list;
// the pages arrive with the window itself. show() may be called any number of times:
// the one window comes to the front.
class SettingsWindowController {
  public:
    explicit SettingsWindowController(AppSettings& settings);
    ~SettingsWindowController();

    // None keeps the tab last shown.
    void show(std::optional<SettingsTab> select);
    SettingsTab currentTab() const { return tab_; }
    port::SettingsWindowModel model() const;

  private:
    [[maybe_unused]] AppSettings& settings_;
    SettingsTab tab_ = SettingsTab::general;
    std::unique_ptr<port::Surface> surface_;
};

}  // namespace kelvra
