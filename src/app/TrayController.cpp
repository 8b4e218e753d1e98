#include "app/TrayController.h"

#include "geometry/SnapAction.h"
#include "l10n/L10n.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"
#include "settings/CustomLayout.h"
#include "settings/Workspace.h"
#include "window/WindowHandle.h"

namespace kelvra {

namespace {

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
    : settings_(settings), l10n_(l10n) {
    subscriptions_.push_back(settings_.showTrayIcon.sink(
        lifetime_.guard([this](bool visible) { setVisible(visible); })));
    // Every setting the menu shows (layouts, workspaces, shortcuts, pause, language)
    // refreshes it once the change has landed.
    subscriptions_.push_back(
        settings_.objectWillChange.connect(lifetime_.guard([this] { scheduleRefresh(); })));
    // The current value arrives one turn later, as a change would.
    platform().runLoop->post(lifetime_.guard([this] { setVisible(settings_.showTrayIcon()); }));
}

TrayController::~TrayController() {
    lifetime_.end();
}

void TrayController::setVisible(bool visible) {
    if (visible && !surface_) {
        surface_ = platform().surfaces->create(model());
        if (!surface_) return;
        chosen_ =
            surface_->onChosen(lifetime_.guard([this](const std::string& id) { choose(id); }));
        surface_->setVisible(true);
    } else if (!visible && surface_) {
        chosen_.cancel();
        surface_.reset();
    }
}

void TrayController::scheduleRefresh() {
    if (refreshPosted_ || !surface_) return;
    refreshPosted_ = true;
    platform().runLoop->post(lifetime_.guard([this] {
        refreshPosted_ = false;
        refreshIcon();
    }));
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
            m.icon = port::TrayIcon::noPermission;
            m.toolTip += " — " + l.string("menu.needPerm");
            break;
        case Attention::windowManager:
            m.icon = port::TrayIcon::noWindowManager;
            m.toolTip += " — " + l.string("menu.noWindowManager");
            break;
        case Attention::settingsNotSaved:
            m.icon = port::TrayIcon::settingsNotSaved;
            m.toolTip += " — " + l.string("menu.settingsNotSaved");
            break;
        case Attention::shortcuts:
            // Shortcuts held elsewhere are a nuisance, not a breakdown: the rest works.
            m.icon = settings_.paused() ? port::TrayIcon::paused
                                        : port::TrayIcon::shortcutsHeldElsewhere;
            m.toolTip += " — " + l.string("menu.shortcutsTaken");
            break;
    }
    m.menu = menu(why);
    return m;
}

port::MenuItem TrayController::offer(const Action& action, std::string title) const {
    port::MenuItem m;
    m.id = actionName(action);
    m.title = std::move(title);
    offered_.insert_or_assign(m.id, action);
    return m;
}

port::MenuItem TrayController::zoneItem(ZoneID zone) const {
    auto m = offer(ZoneAction{zone}, l10n_.string("zone." + std::string(rawValue(zone))));
    for (SnapAction action : allSnapActions()) {
        if (kelvra::zone(action) != zone) continue;
        m.shortcut = shortcutText(settings_, rawValue(action));
        break;
    }
    return m;
}

std::vector<port::MenuItem> TrayController::menu(Attention why) const {
    offered_.clear();
    const auto& l = l10n_;
    std::vector<port::MenuItem> items;
    if (why == Attention::permission) {
        items.push_back(offer(Command::showOnboarding, l.string("menu.needPerm")));
        items.push_back(separator());
    } else if (why == Attention::windowManager) {
        items.push_back(offer(Command::showOnboarding, l.string("menu.noWindowManager")));
        items.push_back(separator());
    } else if (why == Attention::settingsNotSaved) {
        items.push_back(offer(Command::openSettings, l.string("menu.settingsNotSaved")));
        items.push_back(separator());
    } else if (why == Attention::shortcuts) {
        items.push_back(offer(Command::openShortcuts, l.string("menu.shortcutsTaken")));
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
    auto zonePicker = offer(SnapAction::showZonePicker, l.string("hud.show"));
    zonePicker.shortcut = shortcutText(settings_, rawValue(SnapAction::showZonePicker));
    items.push_back(zonePicker);

    if (!settings_.customLayouts().empty()) {
        items.push_back(separator());
        std::vector<port::MenuItem> layouts;
        for (const auto& layout : settings_.customLayouts()) {
            std::vector<port::MenuItem> zones;
            for (size_t i = 0; i < layout.zones.size(); ++i) {
                zones.push_back(offer(CustomZoneAction{layout.id, static_cast<int>(i)},
                                      format(l.string("menu.zoneN"), {std::to_string(i + 1)})));
            }
            layouts.push_back(submenu(layout.name, std::move(zones)));
        }
        items.push_back(submenu(l.string("menu.custom"), std::move(layouts)));
    }

    items.push_back(separator());
    std::vector<port::MenuItem> workspaces{
        offer(Command::saveWorkspace, l.string("ws.saveCurrent") + "…")};
    if (!settings_.workspaces().empty()) {
        workspaces.push_back(separator());
        for (const auto& ws : settings_.workspaces())
            workspaces.push_back(offer(WorkspaceAction{ws.id}, ws.name));
    }
    items.push_back(submenu(l.string("tab.workspaces"), std::move(workspaces)));

    items.push_back(separator());
    auto pause = offer(Command::togglePause, l.string("menu.pause"));
    pause.checked = settings_.paused();
    items.push_back(pause);

    // Only global shortcuts are written next to items: a tray menu has no keys of its
    // own that would work while it is closed.
    items.push_back(separator());
    items.push_back(offer(Command::openSettings, l.string("menu.settings")));
    items.push_back(offer(Command::showOnboarding, l.string("menu.replayOnb")));

    items.push_back(separator());
    if (updater_) {
        if (!updateStatus_.empty())
            items.push_back(offer(Command::showUpdateStatus, updateStatus_));
        items.push_back(offer(Command::checkForUpdates, l.string("upd.check")));
    }
    items.push_back(offer(Command::showAbout, l.string("menu.about")));
    items.push_back(offer(Command::quit, l.string("menu.quit")));
    return items;
}

void TrayController::choose(const std::string& id) {
    auto it = offered_.find(id);
    if (it != offered_.end()) choose(Action(it->second));
}

void TrayController::choose(const Action& action) {
    if (const auto* zone = std::get_if<ZoneAction>(&action)) {
        onZoneSelected.emit(zone->zone);
    } else if (const auto* snap = std::get_if<SnapAction>(&action)) {
        if (*snap == SnapAction::showZonePicker) onShowZonePicker.emit();
    } else if (const auto* custom = std::get_if<CustomZoneAction>(&action)) {
        for (const auto& layout : settings_.customLayouts()) {
            if (layout.id != custom->layout) continue;
            onApplyCustomZone.emit(layout, custom->index);
            return;
        }
    } else if (const auto* workspace = std::get_if<WorkspaceAction>(&action)) {
        for (const auto& ws : settings_.workspaces()) {
            if (ws.id != workspace->id) continue;
            onApplyWorkspace.emit(ws);
            return;
        }
    } else {
        run(std::get<Command>(action));
    }
}

void TrayController::run(Command command) {
    switch (command) {
        case Command::saveWorkspace:
            onSaveWorkspace.emit();
            break;
        case Command::togglePause:
            settings_.paused.set(!settings_.paused());
            break;
        case Command::openSettings:
            onShowSettings.emit();
            break;
        case Command::openShortcuts:
            onShowShortcuts.emit();
            break;
        case Command::showOnboarding:
            onShowOnboarding.emit();
            break;
        case Command::checkForUpdates:
            onCheckForUpdates.emit();
            break;
        case Command::showUpdateStatus:
            onUpdateStatusChosen.emit();
            break;
        case Command::showAbout:
            onShowAbout.emit();
            break;
        case Command::quit:
            onQuit.emit();
            break;
    }
}

}  // namespace kelvra
