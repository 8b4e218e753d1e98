#include "app/TrayController.h"

#include "arrange/CustomLayout.h"
#include "arrange/Workspace.h"
#include "geometry/SnapAction.h"
#include "l10n/L10n.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"
#include "window/WindowHandle.h"

namespace kelvra {

namespace {

// Item ids: the tray reports them back when the user chooses an item.
constexpr const char* zonePrefix = "zone:";
constexpr const char* customPrefix = "custom:";
constexpr const char* workspacePrefix = "workspace:";

port::MenuItem item(std::string id, std::string title) {
    port::MenuItem m;
    m.id = std::move(id);
    m.title = std::move(title);
    return m;
}

port::MenuItem separator() {
    port::MenuItem m;
    m.separator = true;
    return m;
}

port::MenuItem submenu(std::string title, std::vector<port::MenuItem> items) {
    port::MenuItem m;
    m.title = std::move(title);
    m.submenu = std::move(items);
    return m;
}

// The combination as the menu shows it; empty when it has none a menu can show.
std::string shortcutText(const AppSettings& settings, std::string_view action) {
    const auto& table = settings.shortcuts();
    auto it = table.find(std::string(action));
    if (it == table.end() || !it->second.menuKeyEquivalent()) return {};
    return it->second.displayName();
}

}  // namespace

TrayController::TrayController(AppSettings& settings, const L10n& l10n)
    : settings_(settings), l10n_(l10n), self_(std::make_shared<TrayController*>(this)) {
    std::weak_ptr<TrayController*> weak = self_;
    subscriptions_.push_back(settings_.showMenuBarIcon.sink([weak](bool visible) {
        if (auto self = weak.lock()) (*self)->setVisible(visible);
    }));
    // Every setting the menu shows (layouts, workspaces, shortcuts, pause, language)
    // refreshes it once the change has landed.
    subscriptions_.push_back(settings_.objectWillChange.connect([weak] {
        if (auto self = weak.lock()) (*self)->scheduleRefresh();
    }));
    // The current value arrives one turn later, as a change would.
    platform().runLoop->post([weak] {
        if (auto self = weak.lock()) (*self)->setVisible((*self)->settings_.showMenuBarIcon());
    });
}

TrayController::~TrayController() {
    self_.reset();
}

void TrayController::setVisible(bool visible) {
    if (visible && !surface_) {
        surface_ = platform().surfaces->create(model());
        if (!surface_) return;
        std::weak_ptr<TrayController*> weak = self_;
        chosen_ = surface_->onChosen([weak](const std::string& id) {
            if (auto self = weak.lock()) (*self)->choose(id);
        });
        surface_->setVisible(true);
    } else if (!visible && surface_) {
        chosen_.cancel();
        surface_.reset();
    }
}

void TrayController::scheduleRefresh() {
    if (refreshPosted_ || !surface_) return;
    refreshPosted_ = true;
    std::weak_ptr<TrayController*> weak = self_;
    platform().runLoop->post([weak] {
        auto self = weak.lock();
        if (!self) return;
        (*self)->refreshPosted_ = false;
        (*self)->refreshIcon();
    });
}

void TrayController::setShortcutsHeldElsewhere(std::vector<KeyCombo> combos) {
    if (combos == heldElsewhere_) return;
    heldElsewhere_ = std::move(combos);
    refreshIcon();
}

void TrayController::setSettingsNotSaved(bool notSaved) {
    if (notSaved == settingsNotSaved_) return;
    settingsNotSaved_ = notSaved;
    refreshIcon();
}

void TrayController::setUpdateStatus(bool updaterExists, std::string status) {
    if (updaterExists == updater_ && status == updateStatus_) return;
    updater_ = updaterExists;
    updateStatus_ = std::move(status);
    refreshIcon();
}

void TrayController::refreshIcon() {
    if (surface_) surface_->setModel(model());
}

TrayController::Attention TrayController::attention() const {
    if (!Permissions::isGranted()) return Attention::permission;
    if (!platform().windows->capabilities().hasWindowManager) return Attention::windowManager;
    // Changes that only live until the program ends matter more than a held shortcut.
    if (settingsNotSaved_) return Attention::settingsNotSaved;
    if (!heldElsewhere_.empty()) return Attention::shortcuts;
    return Attention::none;
}

port::TrayModel TrayController::model() const {
    const auto& l = l10n_;
    port::TrayModel m;
    const Attention why = attention();
    m.toolTip = "Kelvra";
    switch (why) {
        case Attention::none:
            if (settings_.paused()) m.icon = port::TrayIcon::paused;
            break;
        case Attention::permission:
            m.icon = port::TrayIcon::permissionWarning;
            m.toolTip += " — " + l.string("menu.needPerm");
            break;
        case Attention::windowManager:
            m.icon = port::TrayIcon::permissionWarning;
            m.toolTip += " — " + l.string("menu.noWindowManager");
            break;
        case Attention::settingsNotSaved:
            m.icon = port::TrayIcon::permissionWarning;
            m.toolTip += " — " + l.string("menu.settingsNotSaved");
            break;
        case Attention::shortcuts:
            // Shortcuts held elsewhere are a nuisance, not a breakdown: the rest works.
            m.icon =
                settings_.paused() ? port::TrayIcon::paused : port::TrayIcon::permissionWarning;
            m.toolTip += " — " + l.string("menu.shortcutsTaken");
            break;
    }
    m.menu = menu(why);
    return m;
}

port::MenuItem TrayController::zoneItem(ZoneID zone) const {
    auto m = item(zonePrefix + std::string(rawValue(zone)),
                  l10n_.string("zone." + std::string(rawValue(zone))));
    for (SnapAction action : allSnapActions()) {
        if (kelvra::zone(action) != zone) continue;
        m.shortcut = shortcutText(settings_, rawValue(action));
        break;
    }
    return m;
}

std::vector<port::MenuItem> TrayController::menu(Attention why) const {
    const auto& l = l10n_;
    std::vector<port::MenuItem> items;
    if (why == Attention::permission) {
        items.push_back(item("onboarding", l.string("menu.needPerm")));
        items.push_back(separator());
    } else if (why == Attention::windowManager) {
        items.push_back(item("onboarding", l.string("menu.noWindowManager")));
        items.push_back(separator());
    } else if (why == Attention::settingsNotSaved) {
        items.push_back(item("settings", l.string("menu.settingsNotSaved")));
        items.push_back(separator());
    } else if (why == Attention::shortcuts) {
        items.push_back(item("settings", l.string("menu.shortcutsTaken")));
        items.push_back(separator());
    }
    for (ZoneID z : {ZoneID::leftHalf, ZoneID::rightHalf, ZoneID::maximize})
        items.push_back(zoneItem(z));
    std::vector<port::MenuItem> more;
    for (ZoneID z :
         {ZoneID::topHalf, ZoneID::bottomHalf, ZoneID::topLeftQuarter, ZoneID::topRightQuarter,
          ZoneID::bottomLeftQuarter, ZoneID::bottomRightQuarter, ZoneID::leftThird,
          ZoneID::centerThird, ZoneID::rightThird, ZoneID::leftTwoThirds, ZoneID::rightTwoThirds,
          ZoneID::centerTwoThirds, ZoneID::almostMaximize, ZoneID::center})
        more.push_back(zoneItem(z));
    items.push_back(submenu(l.string("menu.more"), std::move(more)));
    auto zonePicker = item("hud", l.string("hud.show"));
    zonePicker.shortcut = shortcutText(settings_, rawValue(SnapAction::showZonePicker));
    items.push_back(zonePicker);

    if (!settings_.customLayouts().empty()) {
        items.push_back(separator());
        std::vector<port::MenuItem> layouts;
        for (const auto& layout : settings_.customLayouts()) {
            std::vector<port::MenuItem> zones;
            for (size_t i = 0; i < layout.zones.size(); ++i) {
                zones.push_back(
                    item(customPrefix + layout.id.uuidString() + ":" + std::to_string(i),
                         format(l.string("menu.zoneN"), {std::to_string(i + 1)})));
            }
            layouts.push_back(submenu(layout.name, std::move(zones)));
        }
        items.push_back(submenu(l.string("menu.custom"), std::move(layouts)));
    }

    items.push_back(separator());
    std::vector<port::MenuItem> workspaces{item("saveWorkspace", l.string("ws.saveCurrent") + "…")};
    if (!settings_.workspaces().empty()) {
        workspaces.push_back(separator());
        for (const auto& ws : settings_.workspaces())
            workspaces.push_back(item(workspacePrefix + ws.id.uuidString(), ws.name));
    }
    items.push_back(submenu(l.string("tab.workspaces"), std::move(workspaces)));

    items.push_back(separator());
    auto pause = item("pause", l.string("menu.pause"));
    pause.checked = settings_.paused();
    items.push_back(pause);

    // Only global shortcuts are written next to items: a tray menu has no keys of its
    // own that would work while it is closed.
    items.push_back(separator());
    items.push_back(item("settings", l.string("menu.settings")));
    items.push_back(item("onboarding", l.string("menu.replayOnb")));

    items.push_back(separator());
    if (updater_) {
        if (!updateStatus_.empty()) items.push_back(item("updateStatus", updateStatus_));
        items.push_back(item("checkUpdates", l.string("upd.check")));
    }
    items.push_back(item("about", l.string("menu.about")));
    items.push_back(item("quit", l.string("menu.quit")));
    return items;
}

void TrayController::choose(const std::string& id) {
    auto startsWith = [&](const char* prefix) { return id.rfind(prefix, 0) == 0; };
    if (startsWith(zonePrefix)) {
        if (auto z = zoneFromRaw(std::string_view(id).substr(std::string_view(zonePrefix).size())))
            onZoneSelected.emit(*z);
    } else if (startsWith(customPrefix)) {
        auto rest = id.substr(std::string_view(customPrefix).size());
        auto colon = rest.rfind(':');
        if (colon == std::string::npos) return;
        auto layoutId = rest.substr(0, colon);
        int index = 0;
        try {
            index = std::stoi(rest.substr(colon + 1));
        } catch (...) {
            return;
        }
        for (const auto& layout : settings_.customLayouts()) {
            if (layout.id.uuidString() != layoutId) continue;
            onApplyCustomZone.emit(layout, index);
            return;
        }
    } else if (startsWith(workspacePrefix)) {
        auto wsId = id.substr(std::string_view(workspacePrefix).size());
        for (const auto& ws : settings_.workspaces()) {
            if (ws.id.uuidString() != wsId) continue;
            onApplyWorkspace.emit(ws);
            return;
        }
    } else if (id == "hud") {
        onShowZonePicker.emit();
    } else if (id == "saveWorkspace") {
        onSaveWorkspace.emit();
    } else if (id == "pause") {
        settings_.paused.set(!settings_.paused());
    } else if (id == "settings") {
        onShowSettings.emit();
    } else if (id == "onboarding") {
        onShowOnboarding.emit();
    } else if (id == "checkUpdates") {
        onCheckForUpdates.emit();
    } else if (id == "updateStatus") {
        onUpdateStatusChosen.emit();
    } else if (id == "about") {
        onShowAbout.emit();
    } else if (id == "quit") {
        onQuit.emit();
    }
}

}  // namespace kelvra
