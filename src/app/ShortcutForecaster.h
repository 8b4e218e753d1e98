#pragma once

#include <optional>
#include <vector>

#include "base/LifetimeGuard.h"
#include "base/Subscription.h"
#include "base/Timer.h"
#include "port/HotKeys.h"

namespace kelvra {

class ActionDispatcher;
class Components;

// Tells the hot keys, where the desktop hears it, what each shortcut's next press will
// do to the window in front (port::HotKeyForecast), and keeps that true: it is worked
// out again a turn after anything it depends on changed (the window in front or its
// frame, a snap, the end of a cycle, the settings, the screens, the shortcuts) and told
// only when it came out different.
class ShortcutForecaster {
  public:
    // Presses this close to a cycle's end are not forecast: Kelvra may take them after it.
    static constexpr double cycleMargin = 0.05;
    // The window in front's own moves are followed once they pause this long: a drag
    // moves it many times a second, and no press is forecast during one.
    static constexpr double movesSettle = 0.1;

    ShortcutForecaster(Components& components, const ActionDispatcher& dispatcher);

    // From now on, where the hot keys take forecasts; nothing otherwise.
    void start();

  private:
    void refreshSoon();
    void refresh();
    std::optional<port::HotKeyForecast> next();

    Components& c_;
    const ActionDispatcher& dispatcher_;
    std::vector<Subscription> hooks_;
    Subscription frontEvents_;
    std::optional<port::WindowRef> front_;
    std::optional<port::HotKeyForecast> told_;
    Timer cycleEnd_;
    Timer movesSettled_;
    bool queued_ = false;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
