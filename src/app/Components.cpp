#include "app/Components.h"

#include "app/TrayController.h"
#include "arrange/PlacementRuleManager.h"
#include "arrange/WorkspaceManager.h"
#include "assist/SnapAssistController.h"
#include "cloud/CloudAccount.h"
#include "cloud/CloudSync.h"
#include "diagnostics/CrashReporter.h"
#include "diagnostics/UpdaterController.h"
#include "engine/SnapEngine.h"
#include "input/DragMonitor.h"
#include "input/KeyRecorder.h"
#include "input/ManagerSnappingConflict.h"
#include "input/PreviewOverlay.h"
#include "input/ShortcutManager.h"
#include "input/ZonePickerController.h"
#include "l10n/L10n.h"
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

Components::Components(port::UserDefaults& defaults)
    : l10n_(std::make_unique<L10n>()),
      settings_(std::make_unique<AppSettings>(defaults)),
      languageFollowsSettings_(l10n_->follow(settings_->languageCode)),
      cloudAccount_(std::make_unique<CloudAccount>()),
      cloudSync_(std::make_unique<CloudSync>(*settings_, *cloudAccount_)),
      crashReporter_(std::make_unique<CrashReporter>(*settings_)),
      keyRecorder_(std::make_unique<KeyRecorder>()),
      managerSnapping_(std::make_unique<ManagerSnappingConflict>(*settings_)),
      shortcutManager_(std::make_unique<ShortcutManager>(*l10n_)),
      zonePicker_(std::make_unique<ZonePickerController>(*l10n_)) {
    if (UpdaterController::declared())
        updater_ = std::make_unique<UpdaterController>(UpdaterEnvironment::current(), *l10n_);
}

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
    return lazily(engine_, *settings_);
}

TileGroupManager& Components::tileManager() {
    return lazily(tileManager_, *settings_, engine());
}

DragMonitor& Components::dragMonitor() {
    if (!dragMonitor_)
        dragMonitor_ = std::make_unique<DragMonitor>(*settings_, engine(), managerSnapping_.get());
    return *dragMonitor_;
}

WorkspaceManager& Components::workspaceManager() {
    return lazily(workspaceManager_, *settings_, *l10n_, engine());
}

PlacementRuleManager& Components::placementRuleManager() {
    return lazily(placementRuleManager_, *settings_, engine());
}

PreviewOverlay& Components::overlay() {
    return lazily(overlay_, *settings_);
}

SnapAssistController& Components::snapAssist() {
    return lazily(snapAssist_, *settings_, *l10n_, engine());
}

TrayController& Components::trayController() {
    return lazily(trayController_, *settings_, *l10n_);
}

SettingsWindowController& Components::settingsWindow() {
    if (!settingsWindow_) {
        SettingsServices services{
            *settings_,  *l10n_,         *keyRecorder_,         *cloudAccount_,
            *cloudSync_, updater_.get(), managerSnapping_.get()};
        lazily(settingsWindow_, services).setWorkspaceManager(&workspaceManager());
    }
    return *settingsWindow_;
}

OnboardingController& Components::onboarding() {
    ManagerSnappingConflict* managerSnapping = managerSnapping_.get();
    return lazily(onboarding_, *settings_, *l10n_, managerSnapping);
}

}  // namespace kelvra
