#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/LifetimeGuard.h"
#include "base/Timer.h"
#include "geometry/ScreenInfo.h"
#include "settings/Workspace.h"
#include "window/WindowHandle.h"

namespace kelvra {

class AppSettings;
class L10n;
class SnapEngine;

// Saves and restores window arrangements. A restore moves the windows that exist at
// once, launches the applications that have none, and places their windows as they
// appear, polling until every item has its window or time runs out; what could not be
// placed by then is logged and told to the user.
class WorkspaceManager {
  public:
    static constexpr double pollInterval = 0.6;
    static constexpr double pollLimit = 15.0;

    WorkspaceManager(AppSettings& settings, const L10n& l10n, SnapEngine& engine);
    ~WorkspaceManager();
    WorkspaceManager(const WorkspaceManager&) = delete;
    WorkspaceManager& operator=(const WorkspaceManager&) = delete;

    // The standard windows of other applications as workspace items.
    std::vector<WorkspaceItem> captureCurrent() const;
    // Appends a new workspace to the settings, persists them and returns it.
    Workspace append(const std::string& name, std::vector<WorkspaceItem> items);
    // Captures, asks for a name and saves (nothing when the user cancels).
    void promptSaveCurrent();
    void restore(const Workspace& workspace);

    // The workspace a restore was last asked for.
    const std::optional<Workspace>& lastRestored() const { return lastRestored_; }
    // The items still waiting for their window (empty when idle).
    const std::vector<WorkspaceItem>& pendingItems() const { return pendingItems_; }
    // The items given up on at the end of the last poll.
    const std::vector<WorkspaceItem>& lastUnplaced() const { return lastUnplaced_; }

  private:
    void place(const WindowHandle& window, const WorkspaceItem& item,
               const std::vector<ScreenInfo>& screens, std::vector<WindowHandle>& used);
    void launchApps(const std::vector<WorkspaceItem>& items);
    void pollPending();
    void stopPolling();
    void reportUnplaced(const std::vector<WorkspaceItem>& items);
    std::string defaultName() const;

    AppSettings& settings_;
    const L10n& l10n_;
    SnapEngine& engine_;
    std::vector<WorkspaceItem> pendingItems_;
    std::vector<WindowHandle> pendingUsed_;
    std::vector<ScreenInfo> restoreScreens_;
    std::optional<double> restoreDeadline_;
    Timer restorePoller_;
    std::vector<WorkspaceItem> lastUnplaced_;
    std::optional<Workspace> lastRestored_;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
