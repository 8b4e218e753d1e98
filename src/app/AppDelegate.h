#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "geometry/SnapAction.h"
#include "geometry/ZoneID.h"
#include "platform/port/RunLoop.h"
#include "platform/port/Subscription.h"

namespace kelvra {

class AppSettings;
class SnapEngine;
class TileGroupManager;
class DragMonitor;
class WorkspaceManager;
class PlacementRuleManager;
class PreviewOverlay;
class SnapAssistController;
class StatusItemController;
class SettingsWindowController;
class OnboardingController;
class ShortcutManager;
class HUDController;
struct CustomLayout;

// Creates and owns every component, wires their callbacks and dispatches the user's
// actions to the snap engine.
class AppDelegate {
public:
    static constexpr double permissionPollInterval = 2.0;
    static constexpr double shortcutDebounce = 0.2;

    AppDelegate();
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // A URL delivered to the program (the sign-in callback).
    void handleGetURLEvent(const std::optional<std::string>& url);

    void startCore();
    void handleShortcut(const std::string& name);
    void perform(SnapAction action);
    void applyToFrontmost(ZoneID zone);
    void applyCustomZone(const CustomLayout& layout, int index);
    void warnAboutConflictingApps();

    bool coreStarted() const { return coreStarted_; }
    AppSettings& settings() { return settings_; }

    // Components; the lazy ones are created on first use and kept.
    SnapEngine& engine();
    TileGroupManager& tileManager();
    DragMonitor& dragMonitor();
    WorkspaceManager& workspaceManager();
    PlacementRuleManager& placementRuleManager();
    PreviewOverlay& overlay();
    SnapAssistController& snapAssist();
    StatusItemController& statusItem();
    SettingsWindowController& settingsWindow();
    OnboardingController& onboarding();
    ShortcutManager& shortcutManager() { return *shortcutManager_; }
    HUDController& hud() { return *hud_; }

private:
    void wire();

    AppSettings& settings_;
    std::unique_ptr<SnapEngine> engine_;
    std::unique_ptr<TileGroupManager> tileManager_;
    std::unique_ptr<DragMonitor> dragMonitor_;
    std::unique_ptr<WorkspaceManager> workspaceManager_;
    std::unique_ptr<PlacementRuleManager> placementRuleManager_;
    std::unique_ptr<PreviewOverlay> overlay_;
    std::unique_ptr<SnapAssistController> snapAssist_;
    std::unique_ptr<StatusItemController> statusItem_;
    std::unique_ptr<SettingsWindowController> settingsWindow_;
    std::unique_ptr<OnboardingController> onboarding_;
    std::unique_ptr<ShortcutManager> shortcutManager_;
    std::unique_ptr<HUDController> hud_;
    bool coreStarted_ = false;
    std::optional<port::TimerId> permissionTimer_;
    std::optional<port::TimerId> shortcutDebounceTimer_;
    bool recording_ = false;  // a shortcut is being recorded: hot keys stay off
    std::vector<Subscription> cancellables_;
    // Callbacks hold this weakly: they do nothing once the delegate is gone.
    std::shared_ptr<AppDelegate*> self_;
};

}  // namespace kelvra
