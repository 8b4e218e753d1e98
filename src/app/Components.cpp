#include "app/Components.h"

#include "app/TrayController.h"
#include "arrange/PlacementRuleManager.h"
#include "arrange/WorkspaceManager.h"
#include "assist/SnapAssistController.h"
#include "engine/SnapEngine.h"
#include "input/DragMonitor.h"
#include "input/PreviewOverlay.h"
#include "input/ShortcutManager.h"
#include "input/ZonePickerController.h"
#include "settings/AppSettings.h"
#include "tiling/TileGroupManager.h"
#include "ui/OnboardingController.h"
#include "ui/SettingsWindowController.h"

namespace kelvra {

namespace {
template <typename T, typename... Args>
T& lazily(std::unique_ptr<T>& slot, Args&... args) {
    if (!slot) slot = std::make_unique<T>(args...);
    return *slot;
}
}  // namespace

Components::Components(AppSettings& settings)
    : settings_(settings),
      shortcutManager_(std::make_unique<ShortcutManager>()),
      zonePicker_(std::make_unique<ZonePickerController>()) {}

// Later components hold references to the engine, so they go first.
Components::~Components() {
    onboarding_.reset();
    settingsWindow_.reset();
    trayController_.reset();
    snapAssist_.reset();
    overlay_.reset();
    placementRuleManager_.reset();
    workspaceManager_.reset();
    dragMonitor_.reset();
    tileManager_.reset();
    engine_.reset();
}

SnapEngine& Components::engine() {
    return lazily(engine_, settings_);
}

TileGroupManager& Components::tileManager() {
    return lazily(tileManager_, settings_, engine());
}

DragMonitor& Components::dragMonitor() {
    return lazily(dragMonitor_, settings_, engine());
}

WorkspaceManager& Components::workspaceManager() {
    return lazily(workspaceManager_, settings_, engine());
}

PlacementRuleManager& Components::placementRuleManager() {
    return lazily(placementRuleManager_, settings_, engine());
}

PreviewOverlay& Components::overlay() {
    return lazily(overlay_, settings_);
}

SnapAssistController& Components::snapAssist() {
    return lazily(snapAssist_, settings_, engine());
}

TrayController& Components::trayController() {
    return lazily(trayController_, settings_);
}

SettingsWindowController& Components::settingsWindow() {
    if (!settingsWindow_)
        lazily(settingsWindow_, settings_).setWorkspaceManager(&workspaceManager());
    return *settingsWindow_;
}

OnboardingController& Components::onboarding() {
    return lazily(onboarding_, settings_);
}

}  // namespace kelvra
