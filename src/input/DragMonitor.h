#pragma once

#include "base/Signal.h"

#include <optional>

#include "base/Rect.h"
#include "base/ZoneID.h"
#include "geometry/ScreenInfo.h"
#include "input/SnapSettler.h"
#include "port/MouseEvents.h"
#include "window/WindowHandle.h"

namespace kelvra {

class AppSettings;
class ManagerSnappingConflict;
class SnapEngine;

// Turns the user's ordinary dragging of a window into snapping. It listens to the
// global left button (never taking events away from anyone), recognises a drag that
// moves a standard window of another application, gives a snapped window its old size
// back when it is pulled out of its zone, reports the zone under the cursor and snaps
// the window into it when the button comes up.
class DragMonitor {
  public:
    static constexpr double movementThreshold = 4.0;  // points from the mouse-down point
    static constexpr double frameCheckInterval = 0.03;
    static constexpr double frameTolerance = 2.0;
    static constexpr double dwellThreshold = 0.25;

    // With `managerSnapping`, drags are left alone while the window manager snaps them.
    DragMonitor(AppSettings& settings, SnapEngine& engine,
                ManagerSnappingConflict* managerSnapping = nullptr);
    ~DragMonitor();
    DragMonitor(const DragMonitor&) = delete;
    DragMonitor& operator=(const DragMonitor&) = delete;

    // Starts listening to the mouse; a source that cannot start is logged once.
    void start();
    void stop();
    bool running() const { return running_; }

    // The previewed zone changed; all three absent: no zone is previewed.
    Signal<std::optional<ZoneID>, std::optional<Rect>, std::optional<ScreenInfo>> onZoneChange;

  private:
    enum class Phase { idle, pending, moving, ignored };
    struct DwellCandidate {
        ZoneID zone;
        double since;
    };

    bool mayAct() const;
    void handle(const port::MouseEvent& event);
    void drag(const port::MouseEvent& event);
    void recognise(Point location);
    void move(const port::MouseEvent& event);
    // Gives a snapped window being dragged its old size back, once per drag.
    void detachIfSnapped(Point location);
    void release();
    void updateZone(Point point);
    void clearZone();
    void reset();

    AppSettings& settings_;
    SnapEngine& engine_;
    ManagerSnappingConflict* managerSnapping_;
    SnapSettler settler_;
    bool running_ = false;
    Subscription mouse_;  // the global mouse events while running

    Phase phase_ = Phase::idle;
    Point mouseDownPoint_;
    std::optional<WindowHandle> pressedWindow_;
    bool pressLookedUp_ = false;      // whether pressedWindow_ was looked up at the press
    std::optional<Rect> pressFrame_;  // pressedWindow_'s frame at the press
    std::optional<WindowHandle> draggedWindow_;
    Rect initialFrame_;
    bool didDetach_ = false;
    double lastFrameCheck_ = -1e300;
    std::optional<ZoneID> currentZone_;
    std::optional<ScreenInfo> currentScreen_;
    std::optional<DwellCandidate> dwellCandidate_;
};

}  // namespace kelvra
