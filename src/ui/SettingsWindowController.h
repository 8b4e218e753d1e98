#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "base/LifetimeGuard.h"
#include "base/Published.h"
#include "port/Surfaces.h"
#include "settings/KeyCombo.h"
#include "ui/SettingsTab.h"
#include "ui/SettingsViewModel.h"

namespace kelvra {

class AppSettings;
class L10n;
class WorkspaceManager;

// The settings window, drawn through the surfaces port from the view model's pages.
// The window is made on first show and kept: closing hides it, and it shows the tab
// last selected unless a caller asks for another. Any change to the settings, the
// language or the editing state redraws the page one run-loop turn later.
class SettingsWindowController {
  public:
    explicit SettingsWindowController(const SettingsServices& services);
    ~SettingsWindowController();

    // None keeps the tab last shown.
    void show(std::optional<SettingsTab> select);
    void select(SettingsTab tab);
    SettingsTab currentTab() const { return selectedTab(); }
    bool visible() const { return visible_; }
    port::SettingsWindowModel model() const;

    void setWorkspaceManager(WorkspaceManager* manager) { viewModel_.setWorkspaceManager(manager); }
    void setTakenShortcuts(std::vector<KeyCombo> combos);
    SettingsViewModel& viewModel() { return viewModel_; }

    // The selected tab, shared by every caller that wants to switch it.
    Published<SettingsTab> selectedTab{SettingsTab::general};

  private:
    void scheduleRefresh();
    void refresh();
    void connectSurface();

    AppSettings& settings_;
    const L10n& l10n_;
    SettingsViewModel viewModel_;
    std::unique_ptr<port::Surface> surface_;
    bool visible_ = false;
    bool refreshQueued_ = false;
    SettingsTab shownTab_ = SettingsTab::general;
    std::vector<Subscription> subscriptions_;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
