#pragma once

#include <memory>

#include "base/Subscription.h"
#include "port/UserDefaults.h"

namespace kelvra {

class AppSettings;
class L10n;
class CloudAccount;
class CloudSync;
class CrashReporter;
class UpdaterController;
class KeyRecorder;
class SnapEngine;
class TileGroupManager;
class DragMonitor;
class ManagerSnappingConflict;
class WorkspaceManager;
class PlacementRuleManager;
class PreviewOverlay;
class SnapAssistController;
class TrayController;
class SettingsWindowController;
class OnboardingController;
class ShortcutManager;
class ZonePickerController;

// Every component of the program, each made once and kept for the life of the process
// and handed to the others that need it. The settings, the language, the account, the
// sync, the crash reporter, the updater (where the build declares a feed), the key
// recorder, the shortcut manager and the picker exist from the start; the others are
// made on first use, so that start-up does only what it needs.
class Components {
  public:
    explicit Components(port::UserDefaults& defaults);
    ~Components();
    Components(const Components&) = delete;
    Components& operator=(const Components&) = delete;

    AppSettings& settings() { return *settings_; }
    L10n& l10n() { return *l10n_; }
    CloudAccount& cloudAccount() { return *cloudAccount_; }
    CloudSync& cloudSync() { return *cloudSync_; }
    CrashReporter& crashReporter() { return *crashReporter_; }
    // None unless the build declares an update feed and its key.
    UpdaterController* updater() { return updater_.get(); }
    KeyRecorder& keyRecorder() { return *keyRecorder_; }
    ManagerSnappingConflict& managerSnapping() { return *managerSnapping_; }
    SnapEngine& engine();
    TileGroupManager& tileManager();
    DragMonitor& dragMonitor();
    WorkspaceManager& workspaceManager();
    PlacementRuleManager& placementRuleManager();
    PreviewOverlay& overlay();
    SnapAssistController& snapAssist();
    TrayController& trayController();
    SettingsWindowController& settingsWindow();
    OnboardingController& onboarding();
    ShortcutManager& shortcutManager() { return *shortcutManager_; }
    ZonePickerController& zonePicker() { return *zonePicker_; }

  private:
    // Everything below holds references to these, so they come first and go last.
    std::unique_ptr<L10n> l10n_;
    std::unique_ptr<AppSettings> settings_;
    Subscription languageFollowsSettings_;
    std::unique_ptr<CloudAccount> cloudAccount_;
    std::unique_ptr<CloudSync> cloudSync_;
    std::unique_ptr<CrashReporter> crashReporter_;
    std::unique_ptr<UpdaterController> updater_;
    std::unique_ptr<KeyRecorder> keyRecorder_;
    std::unique_ptr<ManagerSnappingConflict> managerSnapping_;
    std::unique_ptr<SnapEngine> engine_;
    std::unique_ptr<TileGroupManager> tileManager_;
    std::unique_ptr<DragMonitor> dragMonitor_;
    std::unique_ptr<WorkspaceManager> workspaceManager_;
    std::unique_ptr<PlacementRuleManager> placementRuleManager_;
    std::unique_ptr<PreviewOverlay> overlay_;
    std::unique_ptr<SnapAssistController> snapAssist_;
    std::unique_ptr<TrayController> trayController_;
    std::unique_ptr<SettingsWindowController> settingsWindow_;
    std::unique_ptr<OnboardingController> onboarding_;
    std::unique_ptr<ShortcutManager> shortcutManager_;
    std::unique_ptr<ZonePickerController> zonePicker_;
};

}  // namespace kelvra
