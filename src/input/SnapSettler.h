#pragma once

#include <optional>

#include "base/Rect.h"
#include "base/Timer.h"
#include "base/ZoneID.h"
#include "window/WindowHandle.h"

namespace kelvra {

class SnapEngine;

// Makes a snap on release stick. When the button comes up the window manager may still
// be finishing its own move of the window and put it back where the drag left it. A
// short while after the snap the settler reads the frame back and, if the window left
// the frame it was snapped to, sets that frame once more (once: a manager that insists
// is not fought).
class SnapSettler {
  public:
    // When the frame is read back after the snap, in seconds.
    static constexpr double firstCheck = 0.05;
    static constexpr double lastCheck = 0.25;
    static constexpr double tolerance = 2.0;

    explicit SnapSettler(SnapEngine& engine) : engine_(engine) {}
    ~SnapSettler();
    SnapSettler(const SnapSettler&) = delete;
    SnapSettler& operator=(const SnapSettler&) = delete;

    // Watches a window the engine has just snapped into `zone`, whose frame there is
    // `target`; does nothing if the window is not snapped into that zone.
    void watch(const WindowHandle& window, ZoneID zone, const Rect& target);
    // Stops watching (a new drag began, or the monitor stopped).
    void cancel();
    bool watching() const { return watched_.has_value(); }

  private:
    void check(bool last);
    bool settled(const Rect& frame, const Rect& snapped) const;

    SnapEngine& engine_;
    std::optional<WindowHandle> watched_;
    ZoneID zone_ = ZoneID::maximize;
    Rect target_;
    Timer timer_;
};

}  // namespace kelvra
