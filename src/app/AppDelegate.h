#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ActionDispatcher.h"
#include "app/Components.h"
#include "app/ShortcutForecaster.h"
#include "base/LifetimeGuard.h"
#include "base/Subscription.h"
#include "base/Timer.h"
#include "settings/KeyCombo.h"

namespace kelvra {

class AppSettings;
struct CustomLayout;
class ZonePreviewCommand;
class UpdaterController;

// The composition root: makes the components (through Components), wires their
// listeners to each other, runs start-up and termination, and hands the user's actions
// to the dispatcher.
class AppDelegate {
  public:
    static constexpr double permissionPollInterval = 2.0;
    static constexpr double shortcutDebounce = 0.2;

    // The components keep the preferences in the installed platform's user defaults.
    AppDelegate();
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // Once the event loop runs: wires the components, then starts the core or shows
    // onboarding.
    void start();
    // Before the process ends: saves state and releases what the components hold.
    void shutdown();
    // A URL delivered to the program (the sign-in callback).
    void openUrl(const std::optional<std::string>& url);
    // The command line of this start or of a later one (see ZonePreviewCommand).
    void handleArguments(const std::vector<std::string>& arguments);
    // A later start of the program while this one runs. Without a link or command to
    // pass on, the user wants to see the program: its settings window opens (the way
    // in where no tray shows the icon).
    void handleLaterStart(const std::vector<std::string>& arguments);
    // "--settings[=TAB]": opens the settings window (on TAB); true when asked.
    bool openSettingsIfAsked(const std::vector<std::string>& arguments);
    void showAbout();

    void startCore();
    // The shortcut table as system-wide hot keys, once the core runs and the set is chosen.
    void registerShortcutsOnceChosen();
    // An action by name, as shortcuts name them; unknown names do nothing.
    void handleShortcut(const std::string& name);
    void warnAboutConflictingApps();

    bool coreStarted() const { return coreStarted_; }
    AppSettings& settings() { return components_->settings(); }
    Components& components() { return *components_; }
    ActionDispatcher& dispatcher() { return *dispatcher_; }

  private:
    void wire();
    // The tray shows the updater's state and reaches "check now".
    void connectUpdater(UpdaterController& updater);
    void scheduleShortcutRegistration(const ShortcutTable& table);

    std::unique_ptr<Components> components_;
    AppSettings& settings_;
    std::unique_ptr<ActionDispatcher> dispatcher_;
    std::unique_ptr<ShortcutForecaster> forecaster_;
    std::unique_ptr<ZonePreviewCommand> zonePreviewCommand_;
    bool coreStarted_ = false;
    Timer permissionTimer_;
    Timer shortcutDebounceTimer_;
    bool recording_ = false;  // a shortcut is being recorded: hot keys stay off
    // A first start's onboarding closed before its end: the set stays as it is for now.
    bool onboardingClosed_ = false;
    std::vector<Subscription> cancellables_;
    // Callbacks hold this weakly: they do nothing once the delegate is gone.
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
