#include "app/ShortcutForecaster.h"

#include "app/Action.h"
#include "app/ActionDispatcher.h"
#include "app/Components.h"
#include "engine/SnapEngine.h"
#include "input/ShortcutManager.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"

namespace kelvra {

ShortcutForecaster::ShortcutForecaster(Components& components, const ActionDispatcher& dispatcher)
    : c_(components), dispatcher_(dispatcher) {}

void ShortcutForecaster::start() {
    if (!platform().hotKeys->takesForecasts() || !hooks_.empty()) return;
    auto soon = lifetime_.guard([this] { refreshSoon(); });
    hooks_.push_back(platform().applications->onActivated(soon));
    hooks_.push_back(platform().screens->onScreensChanged(soon));
    hooks_.push_back(c_.settings().objectWillChange.connect(soon));
    hooks_.push_back(c_.engine().onSnap.connect(
        [soon](const WindowHandle&, ZoneID, Rect, ScreenInfo) { soon(); }));
    hooks_.push_back(c_.engine().onDetach.connect([soon](const WindowHandle&) { soon(); }));
    hooks_.push_back(c_.shortcutManager().onHeldElsewhere.connect(
        [soon](const std::vector<KeyCombo>&) { soon(); }));
    refreshSoon();
}

// Once per turn, after the change is complete (settings tell before they change).
void ShortcutForecaster::refreshSoon() {
    if (queued_) return;
    queued_ = true;
    platform().runLoop->post(lifetime_.guard([this] {
        queued_ = false;
        refresh();
    }));
}

void ShortcutForecaster::refresh() {
    auto forecast = next();
    if (forecast != told_) {
        told_ = forecast;
        platform().hotKeys->forecast(forecast);
    }
    // The window in front is followed for as long as it is in front: its frame is where
    // every forecast starts.
    auto front = forecast ? std::optional(forecast->window) : platform().windows->focusedWindow();
    if (front != front_) {
        front_ = front;
        frontEvents_ = {};
        if (front) {
            frontEvents_ = platform().windows->onWindowEvent(
                *front, lifetime_.guard([this](port::WindowEvent) {
                    movesSettled_.once(*platform().runLoop, movesSettle,
                                       lifetime_.guard([this] { refreshSoon(); }));
                }));
        }
    }
}

std::optional<port::HotKeyForecast> ShortcutForecaster::next() {
    auto target = dispatcher_.shortcutTarget();
    if (!target) return std::nullopt;
    const auto& [window, screen] = *target;
    auto from = window.frame();
    if (!from) return std::nullopt;
    port::HotKeyForecast forecast{window.element(), *from, {}, std::nullopt};

    // Within a cycle a repeated press picks the next zone, after it the first again: the
    // forecast holds until shortly before the cycle ends, and is worked out anew then.
    cycleEnd_.cancel();
    if (auto ends = c_.engine().cycleEnds(window)) {
        const double left = *ends - platform().runLoop->now();
        cycleEnd_.once(*platform().runLoop, left, lifetime_.guard([this] { refreshSoon(); }));
        if (left <= cycleMargin) return std::nullopt;
        forecast.seconds = left - cycleMargin;
    }
    for (const auto& [id, name] : c_.shortcutManager().idToAction()) {
        auto action = parseAction(name);
        const auto* snap = action ? std::get_if<SnapAction>(&*action) : nullptr;
        if (!snap) continue;
        if (auto frame = c_.engine().shortcutFrame(window, *snap, screen))
            forecast.frames.emplace_back(id, *frame);
    }
    if (forecast.frames.empty()) return std::nullopt;
    return forecast;
}

}  // namespace kelvra
