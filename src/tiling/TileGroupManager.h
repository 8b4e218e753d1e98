#pragma once

#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/LifetimeGuard.h"
#include "base/Subscription.h"
#include "base/Throttle.h"
#include "base/Timer.h"
#include "base/ZoneID.h"
#include "port/Windows.h"
#include "tiling/Divider.h"
#include "tiling/SharedEdge.h"
#include "window/WindowHandle.h"

namespace kelvra {

class AppSettings;
class SnapEngine;

// Keeps windows snapped next to each other linked: finds the edges they share, keeps a
// divider on each, and moves an edge with both of its sides when the user resizes one
// member or drags a divider. Members leave when they are closed, minimized, moved away,
// detached or snapped somewhere that does not link. A divider belongs with its group
// (the windows linked to it through shared edges): it shows only while the frontmost
// application is one of the group's, stacked just above the group's topmost window.
class TileGroupManager {
  public:
    static constexpr double throttleInterval = 0.016;  // seconds between steps
    static constexpr double echoWindow = 0.5;          // our own frames come back this long
    static constexpr double echoTolerance = 2.5;
    static constexpr double moveTolerance = 4;
    static constexpr double resizeThreshold = 2;
    static constexpr double collinearTolerance = 8;
    // A window manager may report the new origin of a border resize before its new
    // size, and our own changes in steps: such frames are judged once settled this long.
    static constexpr double moveSettle = 0.05;

    struct Member {
        WindowHandle window;
        ZoneID zone;
        Rect frame;        // the last frame known: set by us or accepted from the user
        Rect screenFrame;  // the full frame of the screen it was snapped on
    };

    // Listens to the engine's snaps and detaches, so it must exist before the first snap.
    TileGroupManager(AppSettings& settings, SnapEngine& engine);
    ~TileGroupManager();
    TileGroupManager(const TileGroupManager&) = delete;
    TileGroupManager& operator=(const TileGroupManager&) = delete;

    // Dissolves every tile group and removes its dividers.
    void removeAll();

    const std::unordered_map<WindowHandle, Member>& members() const { return members_; }
    const std::vector<SharedEdge>& edges() const { return edges_; }
    // The divider over an edge, by the edge's identity.
    Divider* divider(const std::string& identity) const;

    // Moves an edge to a position (clamped so no side gets narrower than the minimum
    // window width) and both of its sides with it, keeping the gap.
    // Takes the edge by value: it may be one of edges(), which the move updates.
    void moveEdge(SharedEdge edge, double requested);
    // The same, at most once per throttle interval; the newest request is applied last.
    void throttledMoveEdge(const SharedEdge& edge, double requested);
    // Recomputes the edges from the members' frames and brings the dividers in step.
    void rebuildEdges();

  private:
    struct DividerEntry {
        std::unique_ptr<Divider> divider;
        std::vector<Subscription> hooks;  // ended before the divider goes
    };

    void join(const WindowHandle& window, ZoneID zone, const Rect& frame, const Rect& screenFrame);
    void leave(const WindowHandle& window, bool forgetSnap);
    void observe(const WindowHandle& window);
    void unobserve(const WindowHandle& window);
    void handleEvent(const WindowHandle& window, port::WindowEvent event);
    bool isEcho(const WindowHandle& window, const Rect& frame) const;
    void judgeSettled(const WindowHandle& window);
    void scheduleResizePropagation(const WindowHandle& window, const Rect& oldFrame,
                                   const Rect& newFrame);
    void propagateResize(const WindowHandle& window, const Rect& oldFrame, const Rect& newFrame);
    // Sets a member's frame as part of an edge move and keeps what the window granted.
    Rect applyFrame(Member& member, const Rect& target);
    void recordPosition(const std::string& identity, double position);
    void finishDividerDrag();
    void syncDividers();
    DividerEntry makeDivider(const SharedEdge& edge);
    // The windows linked to an edge's through shared edges.
    std::vector<WindowHandle> groupOf(const SharedEdge& edge) const;
    // Shows or hides each divider by its group and the frontmost application.
    void followFront();
    double now() const;

    AppSettings& settings_;
    SnapEngine& engine_;
    std::unordered_map<WindowHandle, Member> members_;
    std::vector<SharedEdge> edges_;
    std::map<std::string, DividerEntry> dividers_;
    std::unordered_map<WindowHandle, Subscription> watches_;
    struct Expected {
        Rect requested;
        Rect granted;
        double date;
    };
    std::unordered_map<WindowHandle, Expected> expectedFrames_;
    std::unordered_map<WindowHandle, Timer> moveChecks_;
    Throttle propagation_;
    Throttle dividerDrag_;
    std::vector<Subscription> hooks_;
    // Work posted to the run loop does nothing once this is gone.
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
