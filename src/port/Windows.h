#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Rect.h"
#include "base/Subscription.h"

namespace kelvra::port {

// Another application's top-level window. Backends give every window one stable id
// for as long as it exists, so two refs are the same window exactly when they are equal.
struct WindowRef {
    uint64_t id = 0;
    friend bool operator==(const WindowRef&, const WindowRef&) = default;
    friend auto operator<=>(const WindowRef&, const WindowRef&) = default;
};

// What a window is for. Only standard windows are snapped by shortcuts and drags.
enum class WindowKind { standard, dialog, floating, other };

// What an observer is told about a window.
enum class WindowEvent { moved, resized, minimized, destroyed };

// A window's icon: its own pixels when it has some, else the icon its application's
// desktop entry names (a theme icon or a file). Pixels are ARGB, row by row.
struct WindowIcon {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;
    std::string themeName;
    friend bool operator==(const WindowIcon&, const WindowIcon&) = default;
};

// What the platform's window service can and cannot do. What a platform lacks is a
// flag here, never a fake answer from the calls below.
struct WindowCapabilities {
    // Window control is gated behind a permission the user grants (canControlWindows and the
    // prompt then mean something); false where any client may arrange windows.
    bool needsPermission = false;
    // A window manager answers (EWMH); without one, windows may not move as asked.
    bool hasWindowManager = true;
};

// The window service: reading, arranging and observing other applications' windows.
// Frames are the outer frames the user sees, in the top-left space (origin at the
// primary screen's top-left corner, y down). Every call is made on the main thread and
// is bounded in time: a hung application gives "no value", never a stall. Failures are
// never errors, only "no value".
class Windows {
  public:
    virtual ~Windows() = default;

    virtual WindowCapabilities capabilities() = 0;
    // Only meaningful when capabilities().needsPermission.
    virtual bool canControlWindows() = 0;
    virtual void promptForTrust() = 0;
    virtual void openPermissionSettings() = 0;

    // The focused window of the frontmost application.
    virtual std::optional<WindowRef> focusedWindow() = 0;
    // The top-level window under a point of the top-left space (any window of any
    // application, Kelvra's own included; callers filter).
    virtual std::optional<WindowRef> windowAt(Point point) = 0;
    // An application's windows, minimized ones included, in the application's order.
    virtual std::vector<WindowRef> windowsOf(int32_t pid) = 0;

    virtual bool exists(WindowRef window) = 0;
    virtual std::optional<int32_t> pid(WindowRef window) = 0;
    // The identifier of the application the window belongs to (its desktop entry id).
    virtual std::optional<std::string> appId(WindowRef window) = 0;
    virtual std::optional<Rect> frame(WindowRef window) = 0;
    virtual std::optional<WindowKind> kind(WindowRef window) = 0;
    virtual std::optional<bool> isMinimized(WindowRef window) = 0;
    virtual std::optional<std::string> title(WindowRef window) = 0;
    // Nothing when the window has no icon and its application names none.
    virtual std::optional<WindowIcon> icon(WindowRef window) = 0;

    // Brings the window to the front (result unused by callers).
    virtual void raise(WindowRef window) = 0;
    // Asks for the whole frame at once and returns the frame the window really has
    // afterwards (size rules of the application may change it), or nothing when the
    // window is gone or does not answer.
    virtual std::optional<Rect> setFrame(WindowRef window, const Rect& frame) = 0;
    // The same while the user moves the window with the pointer: the move goes on with
    // the new frame instead of undoing it at its next step.
    virtual std::optional<Rect> setFrameDuringMove(WindowRef window, const Rect& frame) = 0;

    // Moves, resizes, minimizing and the end of one window, delivered on the main run
    // loop after the change. Ends with the subscription or after `destroyed`.
    virtual Subscription onWindowEvent(WindowRef window,
                                       std::function<void(WindowEvent)> callback) = 0;
    // New windows of one application, delivered on the main run loop.
    virtual Subscription onWindowCreated(int32_t pid, std::function<void(WindowRef)> callback) = 0;
};

}  // namespace kelvra::port

template <>
struct std::hash<kelvra::port::WindowRef> {
    size_t operator()(const kelvra::port::WindowRef& w) const noexcept {
        return std::hash<uint64_t>{}(w.id);
    }
};
