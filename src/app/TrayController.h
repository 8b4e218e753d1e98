#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Action.h"
#include "base/LifetimeGuard.h"
#include "base/Signal.h"
#include "base/ZoneID.h"
#include "port/Surfaces.h"
#include "settings/KeyCombo.h"

namespace kelvra {

class AppSettings;
class L10n;
struct CustomLayout;
struct Workspace;

// The tray icon and its menu, drawn through the surfaces port. The icon tells whether
// arranging works, is paused, or needs the user's attention (no permission, no window
// manager, settings that cannot be saved, shortcuts held by another program); the menu reaches
// every feature with the mouse. It moves no window itself: choices go out through the signals.
class TrayController {
  public:
    TrayController(AppSettings& settings, const L10n& l10n);
    ~TrayController();
    TrayController(const TrayController&) = delete;
    TrayController& operator=(const TrayController&) = delete;

    // Shows or removes the tray icon.
    void setVisible(bool visible);
    bool visible() const { return surface_ != nullptr; }
    // Redraws the icon and the menu for the current state.
    void refreshIcon();
    // The combinations another program holds since the last registration.
    void setShortcutsHeldElsewhere(std::vector<KeyCombo> combos);
    // Whether the last change of the settings could not be written to the file.
    void setSettingsNotSaved(bool notSaved);

    // The updater's lines in the menu: "Check for updates…" while an updater exists, and
    // its status (an update found, a download's progress) when it has one.
    void setUpdateStatus(bool updaterExists, std::string status);

    port::TrayModel model() const;
    // A menu item's id, as the tray reports it when the user chooses the item: the
    // action the last menu offered under that id, if any.
    void choose(const std::string& id);
    void choose(const Action& action);

    Signal<ZoneID> onZoneSelected;
    Signal<> onShowZonePicker;
    Signal<> onShowSettings;
    Signal<> onShowShortcuts;  // the settings window on its shortcuts tab
    Signal<> onShowOnboarding;
    Signal<CustomLayout, int> onApplyCustomZone;
    Signal<Workspace> onApplyWorkspace;
    Signal<> onSaveWorkspace;
    Signal<> onShowAbout;
    Signal<> onQuit;
    Signal<> onCheckForUpdates;
    Signal<> onUpdateStatusChosen;

  private:
    enum class Attention { none, permission, windowManager, settingsNotSaved, shortcuts };
    Attention attention() const;
    // A menu item standing for the action, which the menu then offers under its id.
    port::MenuItem offer(const Action& action, std::string title) const;
    port::MenuItem zoneItem(ZoneID zone) const;
    std::vector<port::MenuItem> menu(Attention attention) const;
    void scheduleRefresh();
    void run(Command command);

    AppSettings& settings_;
    const L10n& l10n_;
    std::unique_ptr<port::Surface> surface_;
    Subscription chosen_;
    std::vector<KeyCombo> heldElsewhere_;
    bool settingsNotSaved_ = false;
    bool updater_ = false;
    std::string updateStatus_;
    mutable std::map<std::string, Action> offered_;  // by item id, as the last menu built
    bool refreshPosted_ = false;
    std::vector<Subscription> subscriptions_;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
