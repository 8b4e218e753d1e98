#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/Signal.h"
#include "geometry/ZoneID.h"
#include "input/KeyCombo.h"
#include "port/Surfaces.h"

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
    // A menu item's id, as the tray reports it when the user chooses the item.
    void choose(const std::string& id);

    Signal<ZoneID> onZoneSelected;
    Signal<> onShowZonePicker;
    Signal<> onShowSettings;
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
    port::MenuItem zoneItem(ZoneID zone) const;
    std::vector<port::MenuItem> menu(Attention attention) const;
    void scheduleRefresh();

    AppSettings& settings_;
    const L10n& l10n_;
    std::unique_ptr<port::Surface> surface_;
    Subscription chosen_;
    std::vector<KeyCombo> heldElsewhere_;
    bool settingsNotSaved_ = false;
    bool updater_ = false;
    std::string updateStatus_;
    bool refreshPosted_ = false;
    std::vector<Subscription> subscriptions_;
    std::shared_ptr<TrayController*> self_;
};

}  // namespace kelvra
