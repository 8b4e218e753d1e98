#include "app/AppDelegate.h"

#include <cctype>
#include <utility>

#include "app/MainMenu.h"
#include "app/NotificationCenter.h"
#include "app/StatusItemController.h"
#include "arrange/CustomLayout.h"
#include "arrange/PlacementRuleManager.h"
#include "arrange/WorkspaceManager.h"
#include "assist/SnapAssistController.h"
#include "ax/AXWindow.h"
#include "cloud/CloudAccount.h"
#include "cloud/CloudSync.h"
#include "diagnostics/CrashReporter.h"
#include "diagnostics/UpdaterController.h"
#include "engine/SnapEngine.h"
#include "input/DragMonitor.h"
#include "input/HUDController.h"
#include "input/KeyRecorder.h"
#include "input/PreviewOverlay.h"
#include "input/ShortcutManager.h"
#include "l10n/L10n.h"
#include "platform/port/Platform.h"
#include "settings/AppSettings.h"
#include "tiling/TileGroupManager.h"
#include "ui/OnboardingController.h"
#include "ui/SettingsWindowController.h"

namespace kelvra {

namespace {

bool trusted() {
    return Permissions::isGranted();
}

// A URL as the sign-in callback can be: a scheme (a letter, then letters, digits,
// "+", "-" or "."), a colon, and no spaces or control characters anywhere.
bool isValidURL(const std::string& text) {
    auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    if (!std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    for (size_t i = 1; i < colon; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    for (unsigned char c : text) {
        if (c <= 0x20 || c == 0x7f) return false;
    }
    return true;
}

// Other window managers whose shortcuts and drag snapping would fight ours:
// application identifier and display name.
const std::vector<std::pair<std::string, std::string>>& conflictingManagers() {
    static const std::vector<std::pair<std::string, std::string>> table = {
        {"com.knollsoft.Rectangle", "Rectangle"},
        {"com.knollsoft.Hookshot", "Rectangle Pro"},
        {"com.crowdcafe.windowmagnet", "Magnet"},
        {"com.manytricks.Moom", "Moom"},
        {"com.hegenberg.BetterSnapTool", "BetterSnapTool"},
    };
    return table;
}

}  // namespace

AppDelegate::AppDelegate()
    : settings_(AppSettings::shared()),
      shortcutManager_(std::make_unique<ShortcutManager>()),
      hud_(std::make_unique<HUDController>()),
      self_(std::make_shared<AppDelegate*>(this)) {}

AppDelegate::~AppDelegate() {
    self_.reset();
    auto& loop = *platform().runLoop;
    if (permissionTimer_) loop.cancelTimer(*permissionTimer_);
    if (shortcutDebounceTimer_) loop.cancelTimer(*shortcutDebounceTimer_);
}

// ---- lazy components

SnapEngine& AppDelegate::engine() {
    if (!engine_) engine_ = std::make_unique<SnapEngine>(settings_);
    return *engine_;
}

TileGroupManager& AppDelegate::tileManager() {
    if (!tileManager_) tileManager_ = std::make_unique<TileGroupManager>(settings_, engine());
    return *tileManager_;
}

DragMonitor& AppDelegate::dragMonitor() {
    if (!dragMonitor_) dragMonitor_ = std::make_unique<DragMonitor>(settings_, engine());
    return *dragMonitor_;
}

WorkspaceManager& AppDelegate::workspaceManager() {
    if (!workspaceManager_)
        workspaceManager_ = std::make_unique<WorkspaceManager>(settings_, engine());
    return *workspaceManager_;
}

PlacementRuleManager& AppDelegate::placementRuleManager() {
    if (!placementRuleManager_)
        placementRuleManager_ = std::make_unique<PlacementRuleManager>(settings_, engine());
    return *placementRuleManager_;
}

PreviewOverlay& AppDelegate::overlay() {
    if (!overlay_) overlay_ = std::make_unique<PreviewOverlay>(settings_);
    return *overlay_;
}

SnapAssistController& AppDelegate::snapAssist() {
    if (!snapAssist_) snapAssist_ = std::make_unique<SnapAssistController>(settings_, engine());
    return *snapAssist_;
}

StatusItemController& AppDelegate::statusItem() {
    if (!statusItem_) statusItem_ = std::make_unique<StatusItemController>(settings_);
    return *statusItem_;
}

SettingsWindowController& AppDelegate::settingsWindow() {
    if (!settingsWindow_) settingsWindow_ = std::make_unique<SettingsWindowController>(settings_);
    return *settingsWindow_;
}

OnboardingController& AppDelegate::onboarding() {
    if (!onboarding_) onboarding_ = std::make_unique<OnboardingController>(settings_);
    return *onboarding_;
}

// ---- start-up and termination

void AppDelegate::applicationWillFinishLaunching() {
    // URLs reach handleGetURLEvent through the shell's single-instance channel, which
    // is open before the event loop runs; nothing else to register here.
}

void AppDelegate::applicationDidFinishLaunching() {
    L10n::shared();
    tileManager();
    workspaceManager();
    installEditMenu();
    wire();

    if (trusted() && settings_.hasCompletedOnboarding()) {
        startCore();
    } else {
        onboarding().show();
    }

    warnAboutConflictingApps();

    if (platform().bundleInfo->infoValue("SUFeedURL")) UpdaterController::shared();
    CrashReporter::shared().subscribe();
    CloudAccount::shared().start();
    CloudSync::shared().start();

    std::weak_ptr<AppDelegate*> weak = self_;
    permissionTimer_ = platform().runLoop->scheduleTimer(permissionPollInterval, true, [weak] {
        auto self = weak.lock();
        if (!self) return;
        AppDelegate& d = **self;
        d.statusItem().refreshIcon();
        if (trusted() && !d.coreStarted_) d.startCore();
    });
}

void AppDelegate::applicationWillTerminate() {
    dragMonitor().stop();
    shortcutManager_->unregisterAll();
}

void AppDelegate::startCore() {
    if (!trusted() || coreStarted_) return;
    coreStarted_ = true;
    dragMonitor().start();
    shortcutManager_->registerShortcuts(settings_.shortcuts());
    placementRuleManager().start();
    statusItem().refreshIcon();
}

void AppDelegate::installEditMenu() {
    // The toolkit shell reads the menu from here when it builds the program's windows.
    MainMenu::build();
}

void AppDelegate::wire() {
    std::weak_ptr<AppDelegate*> weak = self_;
    // Runs `body` with the delegate if it still exists.
    auto withSelf = [weak](auto body) {
        return [weak, body](auto&&... args) {
            if (auto self = weak.lock()) body(**self, std::forward<decltype(args)>(args)...);
        };
    };

    dragMonitor().onZoneChange = withSelf([](AppDelegate& d, std::optional<ZoneID>,
                                             std::optional<Rect> frame, std::optional<ScreenInfo>) {
        if (!frame) {
            d.overlay().hide();
        } else {
            d.overlay().show(*frame);
        }
    });
    engine().onDidSnap =
        withSelf([](AppDelegate& d, const AXWindow& window, ZoneID zone, const ScreenInfo& screen) {
            d.snapAssist().maybeShow(zone, screen, window);
        });
    shortcutManager_->onAction =
        withSelf([](AppDelegate& d, const std::string& name) { d.handleShortcut(name); });
    hud_->onApply = withSelf([](AppDelegate& d, ZoneID zone) { d.applyToFrontmost(zone); });

    auto& status = statusItem();
    status.onZoneSelected = withSelf([](AppDelegate& d, ZoneID zone) { d.applyToFrontmost(zone); });
    status.onShowHUD = withSelf([](AppDelegate& d) { d.hud().show(); });
    status.onShowSettings = withSelf([](AppDelegate& d) { d.settingsWindow().show(std::nullopt); });
    status.onShowOnboarding = withSelf([](AppDelegate& d) { d.onboarding().show(); });
    status.onApplyCustomZone = withSelf([](AppDelegate& d, const CustomLayout& layout, int index) {
        d.applyCustomZone(layout, index);
    });
    onboarding().onFinished = withSelf([](AppDelegate& d) {
        if (trusted()) d.startCore();
    });

    // The hot keys follow the shortcut table 200 ms after its last change.
    cancellables_.push_back(
        settings_.shortcuts.sink(withSelf([](AppDelegate& d, const ShortcutTable& table) {
            auto& loop = *platform().runLoop;
            if (d.shortcutDebounceTimer_) loop.cancelTimer(*d.shortcutDebounceTimer_);
            std::weak_ptr<AppDelegate*> w = d.self_;
            d.shortcutDebounceTimer_ = loop.scheduleTimer(shortcutDebounce, false, [w, table] {
                auto self = w.lock();
                if (!self) return;
                AppDelegate& dd = **self;
                dd.shortcutDebounceTimer_.reset();
                if (dd.coreStarted_) dd.shortcutManager_->registerShortcuts(table);
            });
        })));
    cancellables_.push_back(settings_.tilingEnabled.sink(withSelf([](AppDelegate& d, bool on) {
        if (!on) d.tileManager().removeAll();
    })));
    auto& center = NotificationCenter::shared();
    cancellables_.push_back(
        center.addObserver(KeyRecorder::beganNotification,
                           withSelf([](AppDelegate& d) { d.shortcutManager_->unregisterAll(); })));
    cancellables_.push_back(
        center.addObserver(KeyRecorder::endedNotification, withSelf([](AppDelegate& d) {
                               if (d.coreStarted_)
                                   d.shortcutManager_->registerShortcuts(d.settings_.shortcuts());
                           })));
    cancellables_.push_back(platform().screens->onScreensChanged(
        withSelf([](AppDelegate& d) { d.tileManager().removeAll(); })));
}

// ---- dispatch

void AppDelegate::handleShortcut(const std::string& name) {
    if (auto action = snapActionFromRaw(name)) {
        perform(*action);
        return;
    }
    static const std::string prefix = "workspace:";
    if (name.rfind(prefix, 0) == 0) {
        std::string id = name.substr(prefix.size());
        for (const auto& workspace : settings_.workspaces()) {
            if (workspace.id.uuidString() == id) {
                workspaceManager().restore(workspace);
                return;
            }
        }
    }
}

namespace {

// The frontmost window if it may be moved: permission granted, a standard window,
// not ours, and (when asked) not of an excluded application.
std::optional<AXWindow> movableFrontmost(const AppSettings& settings, bool checkExclusion) {
    if (!trusted()) return std::nullopt;
    auto window = AXWindow::frontmost();
    if (!window) return std::nullopt;
    if (!window->isStandard()) return std::nullopt;
    if (window->pid() == platform().applications->currentProcessId()) return std::nullopt;
    if (checkExclusion) {
        auto app = platform().applications->application(window->pid());
        std::optional<std::string> bundleID = app ? app->bundleIdentifier : std::nullopt;
        if (settings.isExcluded(bundleID)) return std::nullopt;
    }
    return window;
}

// The screen holding the window's current frame.
std::optional<ScreenInfo> screenOf(const AXWindow& window) {
    auto frame = window.frame();
    if (!frame) return std::nullopt;
    return ScreenInfo::containing(*frame);
}

}  // namespace

void AppDelegate::perform(SnapAction action) {
    if (action == SnapAction::showHUD) {
        // The picker toggles even while paused or without the permission.
        if (hud_->hasVisiblePanel()) {
            hud_->close();
        } else {
            hud_->show();
        }
        return;
    }
    if (settings_.paused()) return;
    auto window = movableFrontmost(settings_, true);
    if (!window) return;
    if (action == SnapAction::nextDisplay) {
        engine().moveToNextDisplay(*window);
        return;
    }
    if (action == SnapAction::restore) {
        engine().restore(*window);
        return;
    }
    auto screen = screenOf(*window);
    if (!screen) return;
    engine().performShortcutSnap(*window, action, *screen);
}

void AppDelegate::applyToFrontmost(ZoneID zone) {
    auto window = movableFrontmost(settings_, true);
    if (!window) return;
    auto screen = screenOf(*window);
    if (!screen) return;
    engine().snap(*window, zone, *screen);
}

void AppDelegate::applyCustomZone(const CustomLayout& layout, int index) {
    if (index < 0 || index >= static_cast<int>(layout.zones.size())) return;
    auto window = movableFrontmost(settings_, false);
    if (!window) return;
    auto screen = screenOf(*window);
    if (!screen) return;
    auto frame =
        layout.zoneFrame(index, screen->visible, settings_.windowGap(), settings_.screenPadding());
    if (!frame) return;
    window->setFrame(*frame);
}

void AppDelegate::warnAboutConflictingApps() {
    std::vector<port::RunningApplication> found;
    std::vector<std::string> names;
    for (const auto& app : platform().applications->runningApplications()) {
        if (!app.bundleIdentifier) continue;
        for (const auto& [id, name] : conflictingManagers()) {
            if (*app.bundleIdentifier == id) {
                found.push_back(app);
                names.push_back(name);
                break;
            }
        }
    }
    if (found.empty()) return;

    std::string joined;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) joined += "、";  // the ideographic comma, in every language
        joined += names[i];
    }
    auto& l = L10n::shared();
    port::AlertRequest alert;
    alert.messageText = format(l.string("conf.title"), {joined});
    alert.informativeText = l.string("conf.body");
    alert.buttons = {format(l.string("conf.quit"), {joined}), l.string("conf.keep")};

    auto& apps = *platform().applications;
    apps.activate(apps.currentProcessId());
    if (platform().alerts->runModal(alert) != port::Alerts::firstButtonReturn) return;
    for (const auto& app : found) apps.terminate(app.pid);
}

void AppDelegate::handleGetURLEvent(const std::optional<std::string>& url) {
    if (!url || !isValidURL(*url)) return;
    CloudAccount::shared().handleCallback(*url);
}

}  // namespace kelvra
