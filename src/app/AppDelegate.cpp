#include "app/AppDelegate.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "app/ConflictingPrograms.h"
#include "app/ProcessEntry.h"
#include "app/TrayController.h"
#include "app/ZonePreviewCommand.h"
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
#include "input/PreviewOverlay.h"
#include "input/ShortcutManager.h"
#include "input/ZonePickerController.h"
#include "l10n/L10n.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"
#include "settings/CustomLayout.h"
#include "tiling/TileGroupManager.h"
#include "ui/OnboardingController.h"
#include "ui/SettingsWindowController.h"
#include "window/WindowHandle.h"

namespace kelvra {

namespace {

bool canControlWindows() {
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

}  // namespace

AppDelegate::AppDelegate()
    : components_(std::make_unique<Components>(*platform().defaults)),
      settings_(components_->settings()),
      dispatcher_(std::make_unique<ActionDispatcher>(*components_)),
      forecaster_(std::make_unique<ShortcutForecaster>(*components_, *dispatcher_)) {}

AppDelegate::~AppDelegate() {
    lifetime_.end();
    cancellables_.clear();
}

// ---- start-up and termination

void AppDelegate::start() {
    auto& c = *components_;
    c.tileManager();
    c.workspaceManager();
    wire();

    if (canControlWindows() && settings_.hasCompletedOnboarding()) {
        startCore();
    } else {
        c.onboarding().show();
    }

    warnAboutConflictingApps();

    if (auto* updater = c.updater()) connectUpdater(*updater);
    c.crashReporter().subscribe();
    c.cloudAccount().start();
    c.cloudSync().start();

    // Polled only while something can still change on its own (a permission to grant or
    // revoke, a window manager to come, the core to start): an idle Kelvra should not wake.
    auto settled = [this] {
        auto caps = platform().windows->capabilities();
        return coreStarted_ && !caps.needsPermission && caps.hasWindowManager;
    };
    if (!settled()) {
        permissionTimer_.every(*platform().runLoop, permissionPollInterval, [this, settled] {
            components().trayController().refreshIcon();
            if (canControlWindows() && !coreStarted_) startCore();
            if (settled()) permissionTimer_.cancel();
        });
    }
}

void AppDelegate::connectUpdater(UpdaterController& updater) {
    auto& status = components_->trayController();
    // Both live in the components for as long as these connections.
    auto show = [&status, &updater] { status.setUpdateStatus(true, updater.statusText()); };
    cancellables_.push_back(updater.onStateChanged.connect(show));
    cancellables_.push_back(status.onCheckForUpdates.connect([&updater] { updater.checkNow(); }));
    cancellables_.push_back(
        status.onUpdateStatusChosen.connect([&updater] { updater.showUpdate(); }));
    show();
}

void AppDelegate::shutdown() {
    components_->dragMonitor().stop();
    components_->shortcutManager().unregisterAll();
}

void AppDelegate::startCore() {
    if (!canControlWindows() || coreStarted_) return;
    coreStarted_ = true;
    auto& c = *components_;
    c.dragMonitor().start();
    // Rules first: an application started once the shortcuts answer is a launch.
    c.placementRuleManager().start();
    registerShortcutsOnceChosen();
    forecaster_->start();
    c.trayController().refreshIcon();
}

void AppDelegate::registerShortcutsOnceChosen() {
    // A first start registers nothing before onboarding has checked the set against this
    // desktop and the user has chosen (or closed it): the check would find Kelvra's own
    // grabs taken.
    if (coreStarted_ && !recording_ && (settings_.hasCompletedOnboarding() || onboardingClosed_))
        components_->shortcutManager().registerShortcuts(settings_.shortcuts());
}

void AppDelegate::handleShortcut(const std::string& name) {
    if (auto action = parseAction(name)) dispatcher_->dispatch(*action);
}

// The hot keys follow the shortcut table 200 ms after its last change.
void AppDelegate::scheduleShortcutRegistration(const ShortcutTable& table) {
    shortcutDebounceTimer_.once(*platform().runLoop, shortcutDebounce, [this, table] {
        // During a recording the hot keys stay off; its end registers the table.
        if (coreStarted_ && !recording_ &&
            (settings_.hasCompletedOnboarding() || onboardingClosed_))
            components().shortcutManager().registerShortcuts(table);
    });
}

void AppDelegate::wire() {
    // Runs `body` with the delegate if it still exists.
    auto withSelf = [this](auto body) {
        return lifetime_.guard(
            [this, body](auto&&... args) { body(*this, std::forward<decltype(args)>(args)...); });
    };
    auto& c = *components_;
    auto keep = [this](Subscription s) { cancellables_.push_back(std::move(s)); };

    keep(c.dragMonitor().onZoneChange.connect(
        withSelf([](AppDelegate& d, const std::optional<ZoneID>&, const std::optional<Rect>& frame,
                    const std::optional<ScreenInfo>&) {
            if (!frame) {
                d.components().overlay().hide();
            } else {
                d.components().overlay().show(*frame);
            }
        })));
    keep(c.engine().onDidSnap.connect(withSelf(
        [](AppDelegate& d, const WindowHandle& window, ZoneID zone, const ScreenInfo& screen) {
            d.components().snapAssist().maybeShow(zone, screen, window);
        })));
    keep(c.shortcutManager().onAction.connect(
        withSelf([](AppDelegate& d, const std::string& name) { d.handleShortcut(name); })));
    auto applyZone =
        withSelf([](AppDelegate& d, ZoneID zone) { d.dispatcher().applyToFrontmost(zone); });
    keep(c.zonePicker().onApply.connect(
        withSelf([](AppDelegate& d, ZoneID zone) { d.dispatcher().applyPicked(zone); })));

    auto& status = c.trayController();
    keep(status.onZoneSelected.connect(applyZone));
    keep(status.onShowZonePicker.connect(
        withSelf([](AppDelegate& d) { d.dispatcher().showZonePicker(); })));
    keep(status.onShowSettings.connect(
        withSelf([](AppDelegate& d) { d.components().settingsWindow().show(std::nullopt); })));
    auto showShortcuts = withSelf(
        [](AppDelegate& d) { d.components().settingsWindow().show(SettingsTab::shortcuts); });
    keep(status.onShowShortcuts.connect(showShortcuts));
    keep(platform().notifications->onAction([showShortcuts](const std::string& id) {
        if (id == TakenShortcutsNotice::openShortcutsAction) showShortcuts();
    }));
    keep(status.onShowOnboarding.connect(withSelf([](AppDelegate& d) {
        // Its shortcut check must not meet Kelvra's own grabs; its end registers again.
        if (!d.settings_.hasCompletedOnboarding()) {
            d.onboardingClosed_ = false;
            d.components().shortcutManager().unregisterAll();
        }
        d.components().onboarding().show();
    })));
    keep(status.onApplyCustomZone.connect(
        withSelf([](AppDelegate& d, const CustomLayout& layout, int index) {
            d.dispatcher().applyCustomZone(layout, index);
        })));
    keep(status.onApplyWorkspace.connect(withSelf([](AppDelegate& d, const Workspace& workspace) {
        d.components().workspaceManager().restore(workspace);
    })));
    keep(status.onSaveWorkspace.connect(
        withSelf([](AppDelegate& d) { d.components().workspaceManager().promptSaveCurrent(); })));
    keep(status.onShowAbout.connect(withSelf([](AppDelegate& d) { d.showAbout(); })));
    keep(status.onQuit.connect([] { platform().runLoop->quit(); }));
    keep(c.shortcutManager().onHeldElsewhere.connect(
        withSelf([](AppDelegate& d, const std::vector<KeyCombo>& combos) {
            d.components().trayController().setShortcutsHeldElsewhere(combos);
            d.components().settingsWindow().setTakenShortcuts(combos);
        })));
    keep(platform().defaults->onSaveFailed(withSelf([](AppDelegate& d, const std::string&) {
        d.components().trayController().setSettingsNotSaved(true);
    })));
    keep(platform().defaults->onSaveRecovered(withSelf(
        [](AppDelegate& d) { d.components().trayController().setSettingsNotSaved(false); })));
    keep(c.onboarding().onQuitRequested.connect([] { platform().runLoop->quit(); }));
    keep(c.onboarding().onClosed.connect(withSelf([](AppDelegate& d) {
        d.onboardingClosed_ = true;
        d.registerShortcutsOnceChosen();
    })));
    keep(c.onboarding().onFinished.connect(withSelf([](AppDelegate& d) {
        if (!canControlWindows()) return;
        d.coreStarted_ ? d.registerShortcutsOnceChosen() : d.startCore();
    })));

    keep(settings_.shortcuts.sink(withSelf([](AppDelegate& d, const ShortcutTable& table) {
        d.scheduleShortcutRegistration(table);
    })));
    keep(settings_.tilingEnabled.sink(withSelf([](AppDelegate& d, bool on) {
        if (!on) d.components().tileManager().removeAll();
    })));
    keep(c.keyRecorder().began.connect(withSelf([](AppDelegate& d) {
        // A table change just before the recording must not re-grab the keys in the middle
        // of it: the end of the recording registers the table anyway.
        d.recording_ = true;
        d.shortcutDebounceTimer_.cancel();
        d.components().shortcutManager().unregisterAll();
    })));
    keep(c.keyRecorder().ended.connect(withSelf([](AppDelegate& d) {
        d.recording_ = false;
        d.registerShortcutsOnceChosen();
    })));
    keep(platform().screens->onScreensChanged(
        withSelf([](AppDelegate& d) { d.components().tileManager().removeAll(); })));
}

void AppDelegate::warnAboutConflictingApps() {
    const auto found = runningConflictingPrograms();
    if (found.empty()) return;
    std::vector<std::string> names;
    for (const auto& program : found)
        if (std::find(names.begin(), names.end(), program.name) == names.end())
            names.push_back(program.name);

    const auto& l = components_->l10n();
    const std::string joined = l.list(names);
    port::AlertRequest alert;
    alert.messageText = format(l.string("conf.title"), {joined});
    alert.informativeText = l.string("conf.body");
    alert.buttons = {format(l.string("conf.quit"), {joined}), l.string("conf.keep")};

    auto& apps = *platform().applications;
    apps.activate(apps.currentProcessId());
    if (platform().alerts->runModal(alert) != port::Alerts::firstButtonReturn) return;
    for (const auto& program : found) apps.terminate(program.pid);
}

void AppDelegate::openUrl(const std::optional<std::string>& url) {
    if (!url || !isValidURL(*url)) return;
    components_->cloudAccount().handleCallback(*url);
}

bool AppDelegate::openSettingsIfAsked(const std::vector<std::string>& arguments) {
    // "--settings=TAB" opens the window on that tab; a bare "--settings" as it was.
    for (const auto& a : arguments) {
        const std::string prefix = std::string(ProcessEntry::settingsOption) + "=";
        if (a != ProcessEntry::settingsOption && !a.starts_with(prefix)) continue;
        std::optional<SettingsTab> tab;
        if (a.starts_with(prefix)) tab = settingsTabFromRaw(a.substr(prefix.size()));
        components_->settingsWindow().show(tab);
        return true;
    }
    return false;
}

void AppDelegate::handleLaterStart(const std::vector<std::string>& arguments) {
    if (openSettingsIfAsked(arguments)) return;
    handleArguments(arguments);
    auto isRequest = [](const std::string& a) {
        auto lower = a.substr(0, 7);
        for (auto& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return lower == "kelvra:" || a.rfind(ZonePreviewCommand::option, 0) == 0;
    };
    if (std::none_of(arguments.begin(), arguments.end(), isRequest))
        components_->settingsWindow().show(std::nullopt);
}

void AppDelegate::showAbout() {
    const auto& l = components_->l10n();
    const auto& version = platform().buildInfo->version;
    port::AlertRequest about;
    about.messageText = "Kelvra" + (version.empty() ? std::string() : " " + version);
    about.informativeText = l.string("about.credits");
    about.buttons = {l.string("common.ok")};
    platform().alerts->runModal(about);
}

void AppDelegate::handleArguments(const std::vector<std::string>& arguments) {
    if (openSettingsIfAsked(arguments)) return;
    if (!zonePreviewCommand_)
        zonePreviewCommand_ =
            std::make_unique<ZonePreviewCommand>(settings_, components_->overlay());
    zonePreviewCommand_->handle(arguments);
}

}  // namespace kelvra
