#include "app/ActionDispatcher.h"

#include <optional>
#include <utility>

#include "app/Components.h"
#include "arrange/WorkspaceManager.h"
#include "engine/SnapEngine.h"
#include "geometry/ScreenInfo.h"
#include "input/ZonePickerController.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"
#include "settings/CustomLayout.h"
#include "window/WindowHandle.h"

namespace kelvra {

namespace {

// The frontmost window if it may be moved: permission granted, a standard window,
// not ours, and (when asked) not of an excluded application.
std::optional<WindowHandle> movableFrontmost(const AppSettings& settings, bool checkExclusion) {
    if (!Permissions::isGranted()) return std::nullopt;
    auto window = WindowHandle::frontmost();
    if (!window) return std::nullopt;
    if (!window->isStandard()) return std::nullopt;
    if (window->pid() == platform().applications->currentProcessId()) return std::nullopt;
    if (checkExclusion) {
        auto app = platform().applications->application(window->pid());
        std::optional<std::string> appId = app ? app->appId : std::nullopt;
        if (settings.isExcluded(appId)) return std::nullopt;
    }
    return window;
}

// The screen holding the window's current frame.
std::optional<ScreenInfo> screenOf(const WindowHandle& window) {
    auto frame = window.frame();
    if (!frame) return std::nullopt;
    return ScreenInfo::containing(*frame);
}

}  // namespace

void ActionDispatcher::dispatch(const Action& action) {
    if (const auto* snap = std::get_if<SnapAction>(&action)) {
        perform(*snap);
        return;
    }
    if (const auto* zone = std::get_if<CustomZoneAction>(&action)) {
        for (const auto& layout : c_.settings().customLayouts()) {
            if (layout.id == zone->layout) {
                applyCustomZone(layout, zone->index);
                return;
            }
        }
        return;
    }
    if (const auto* zone = std::get_if<ZoneAction>(&action)) {
        applyToFrontmost(zone->zone);
        return;
    }
    // The program's own commands are carried out by whoever offers them (the tray).
    const auto* workspace = std::get_if<WorkspaceAction>(&action);
    if (!workspace) return;
    for (const auto& w : c_.settings().workspaces()) {
        if (w.id == workspace->id) {
            c_.workspaceManager().restore(w);
            return;
        }
    }
}

void ActionDispatcher::perform(SnapAction action) {
    if (action == SnapAction::showZonePicker) {
        // The picker toggles even while paused or without the permission.
        if (c_.zonePicker().hasVisiblePanel()) {
            c_.zonePicker().close();
        } else {
            showZonePicker();
        }
        return;
    }
    if (c_.settings().paused()) return;
    if (action == SnapAction::nextDisplay || action == SnapAction::restore) {
        auto window = movableFrontmost(c_.settings(), true);
        if (!window) return;
        if (action == SnapAction::nextDisplay) {
            c_.engine().moveToNextDisplay(*window);
        } else {
            c_.engine().restore(*window);
        }
        return;
    }
    if (auto target = shortcutTarget())
        c_.engine().performShortcutSnap(target->first, action, target->second);
}

std::optional<std::pair<WindowHandle, ScreenInfo>> ActionDispatcher::shortcutTarget() const {
    if (c_.settings().paused()) return std::nullopt;
    auto window = movableFrontmost(c_.settings(), true);
    if (!window) return std::nullopt;
    auto screen = screenOf(*window);
    if (!screen) return std::nullopt;
    return std::pair{*window, *screen};
}

void ActionDispatcher::showZonePicker() {
    if (!c_.zonePicker().hasVisiblePanel()) pickerTarget_ = movableFrontmost(c_.settings(), true);
    c_.zonePicker().show();
}

void ActionDispatcher::applyPicked(ZoneID zone) {
    auto window = std::exchange(pickerTarget_, std::nullopt);
    if (!window || !window->frame()) {
        applyToFrontmost(zone);
        return;
    }
    if (c_.settings().paused() || !Permissions::isGranted()) return;
    auto screen = screenOf(*window);
    if (!screen) return;
    c_.engine().snap(*window, zone, *screen);
}

void ActionDispatcher::applyToFrontmost(ZoneID zone) {
    auto window = movableFrontmost(c_.settings(), true);
    if (!window) return;
    auto screen = screenOf(*window);
    if (!screen) return;
    c_.engine().snap(*window, zone, *screen);
}

void ActionDispatcher::applyCustomZone(const CustomLayout& layout, int index) {
    if (index < 0 || index >= static_cast<int>(layout.zones.size())) return;
    auto window = movableFrontmost(c_.settings(), false);
    if (!window) return;
    auto screen = screenOf(*window);
    if (!screen) return;
    auto& settings = c_.settings();
    auto frame =
        layout.zoneFrame(index, screen->visible, settings.windowGap(), settings.screenPadding());
    if (!frame) return;
    window->setFrame(*frame);
}

}  // namespace kelvra
