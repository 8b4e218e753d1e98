#pragma once

#include "platform/port/Signal.h"

#include <functional>
#include <optional>

#include "geometry/Rect.h"
#include "geometry/ScreenInfo.h"
#include "geometry/ZoneID.h"

namespace kelvra {

class AppSettings;
class SnapEngine;

// Turns dragging a window to a screen edge into snapping. For now it only holds its
// start/stop state and the zone-change callback; the drag logic arrives later.
class DragMonitor {
  public:
    DragMonitor(AppSettings& settings, SnapEngine& engine);

    void start();
    void stop();
    bool running() const { return running_; }

    // All three absent: no zone is previewed.
    Signal<std::optional<ZoneID>, std::optional<Rect>, std::optional<ScreenInfo>> onZoneChange;

  private:
    [[maybe_unused]] AppSettings& settings_;
    [[maybe_unused]] SnapEngine& engine_;
    bool running_ = false;
};

}  // namespace kelvra
