#pragma once

#include <optional>
#include <utility>

#include "app/Action.h"
#include "base/ZoneID.h"
#include "geometry/ScreenInfo.h"
#include "geometry/SnapAction.h"
#include "window/WindowHandle.h"

namespace kelvra {

class Components;
struct CustomLayout;

// Carries out what the user asked for on the frontmost window: checks that Kelvra may
// act (not paused, allowed, a standard window of another, non-excluded application)
// and hands the work to the snap engine or the workspace manager.
class ActionDispatcher {
  public:
    explicit ActionDispatcher(Components& components) : c_(components) {}

    void dispatch(const Action& action);
    void perform(SnapAction action);
    void applyToFrontmost(ZoneID zone);
    void applyCustomZone(const CustomLayout& layout, int index);
    // Opens the zone picker. It takes the keyboard (and where the desktop allows nothing
    // less, the focus), so what it picks goes to the window in front when it opened.
    void showZonePicker();
    void applyPicked(ZoneID zone);
    // The window a shortcut's snap acts on now, with its screen; nothing while Kelvra may
    // not act (paused, no window it may move).
    std::optional<std::pair<WindowHandle, ScreenInfo>> shortcutTarget() const;

  private:
    Components& c_;
    std::optional<WindowHandle> pickerTarget_;
};

}  // namespace kelvra
