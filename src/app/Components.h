#pragma once

#include <memory>

namespace kelvra {

class AppSettings;
class SnapEngine;
class TileGroupManager;
class DragMonitor;
class WorkspaceManager;
class PlacementRuleManager;
class PreviewOverlay;
class SnapAssistController;
class TrayController;
class SettingsWindowController;
class OnboardingController;
class ShortcutManager;
class ZonePickerController;

// Every component of the program, each made once and kept for the life of the process.
// The shortcut manager and the picker exist from the start; the others are made on
// first use, so that start-up does only what it needs.
class Components {
  public:
    explicit Components(AppSettings& settings);
    ~Components();
    Components(const Components&) = delete;
    Components& operator=(const Components&) = delete;

    AppSettings& settings() { return settings_; }
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
    AppSettings& settings_;
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
