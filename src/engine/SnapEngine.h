#pragma once

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/Rect.h"
#include "base/Signal.h"
#include "base/ZoneID.h"
#include "geometry/ScreenInfo.h"
#include "geometry/SnapAction.h"
#include "window/WindowHandle.h"

namespace kelvra {

class AppSettings;

// Puts windows into zones: snaps, repeat-press cycling, restore, next display, detach
// for drag and the drag hit test. Reads and writes windows only through WindowHandle and
// screens only through ScreenInfo.
class SnapEngine {
  public:
    static constexpr size_t restoreDepth = 10;
    static constexpr double repeatWindow = 2.0;  // seconds between presses that cycle

    struct Snapped {
        ZoneID zone;
        Rect frame;
    };
    struct ShortcutSnap {
        WindowHandle window;
        SnapAction action;
        ZoneID zone;
        double date;  // run-loop time
    };
    struct HitTestResult {
        ZoneID zone;
        bool needsDwell;
        friend bool operator==(const HitTestResult&, const HitTestResult&) = default;
    };

    explicit SnapEngine(AppSettings& settings);

    void snap(const WindowHandle& window, ZoneID zone, const ScreenInfo& screen);
    void performShortcutSnap(const WindowHandle& window, SnapAction action,
                             const ScreenInfo& screen);
    void restore(const WindowHandle& window);
    void moveToNextDisplay(const WindowHandle& window);
    std::optional<Size> detachForDrag(const WindowHandle& window, Point cursor);
    std::optional<HitTestResult> hitTest(Point point, const ScreenInfo& screen) const;

    // The frame a shortcut's press would give the window now (repeat presses cycle), asked
    // for before the press; nothing where the press would leave the window alone.
    std::optional<Rect> shortcutFrame(const WindowHandle& window, SnapAction action,
                                      const ScreenInfo& screen) const;
    // When presses stop cycling on from the window's last shortcut snap, in run-loop time;
    // nothing when they do not now.
    std::optional<double> cycleEnds(const WindowHandle& window) const;

    // The windows currently snapped, with their zone and the frame they got. The
    // tile-group manager removes entries itself.
    std::unordered_map<WindowHandle, Snapped> snappedWindows;

    const std::vector<Rect>* restoreStack(const WindowHandle& window) const;
    const std::optional<ShortcutSnap>& lastShortcutSnap() const { return lastShortcutSnap_; }

    // A window was snapped (with the frame it really got), then the same again for those
    // that act after the snap settled; a snapped window left its zone.
    Signal<WindowHandle, ZoneID, Rect, ScreenInfo> onSnap;
    Signal<WindowHandle> onDetach;
    Signal<WindowHandle, ZoneID, ScreenInfo> onDidSnap;

  private:
    // The zone a shortcut's press picks now: the action's own, or the next of its cycle.
    ZoneID shortcutZone(const WindowHandle& window, SnapAction action, ZoneID zone,
                        double now) const;
    // The frame of `zone` for a window now at `old`; nothing when there is no room.
    std::optional<Rect> zoneFrame(ZoneID zone, const Rect& old, const ScreenInfo& screen) const;
    // Forgets the window when it ends: the server gives its id to later windows, which
    // must not inherit its history or cycle on from its last zone.
    void watch(const WindowHandle& window);
    void forget(const WindowHandle& window);

    AppSettings& settings_;
    std::unordered_map<WindowHandle, std::vector<Rect>> restoreStack_;
    std::optional<ShortcutSnap> lastShortcutSnap_;
    std::unordered_map<WindowHandle, Subscription> watched_;
    std::vector<Subscription> ended_;  // released outside their own callbacks
    // The last reason logged for a zone without room, so it is said once.
    std::string noRoomLogged_;
};

}  // namespace kelvra
