#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "geometry/Rect.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/pure/FrameGeometry.h"

namespace kelvra::x11 {

// The session's client windows and what each tells about itself. With a window
// manager these are its managed clients; without one, the mapped top-level windows.
// Frames are in root coordinates; every read of a vanished window gives nothing.
class X11Windows {
  public:
    explicit X11Windows(X11Connection& connection) : c_(connection) {}

    // Client windows, bottom of the stack first.
    std::vector<Window> stacking();
    // Client windows in the order they were mapped.
    std::vector<Window> clients();
    // The window manager's active window, if it names one.
    std::optional<Window> activeWindow();

    bool exists(Window w);
    // Mapped, and so are its ancestors (a window on another desktop is not).
    bool isViewable(Window w);
    std::optional<int32_t> pid(Window w);
    // The window's own area, in root coordinates.
    std::optional<Rect> clientArea(Window w);
    Extents decorations(Window w);
    Extents shadows(Window w);
    // The frame the user sees: decorations included, client-drawn shadows excluded.
    std::optional<Rect> frame(Window w);
    // The child of the root that holds the window (the window manager's frame, if any).
    Window topLevel(Window w);

    std::vector<std::string> types(Window w);
    bool isTransient(Window w);
    std::string subrole(Window w);
    bool hasState(Window w, const char* state);
    bool isMinimized(Window w);
    std::optional<std::string> title(Window w);

  private:
    std::vector<Window> scanTopLevels();
    Extents readExtents(Window w, const char* property);

    X11Connection& c_;
};

}  // namespace kelvra::x11
