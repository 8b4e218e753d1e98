#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backends/x11/X11Connection.h"
#include "backends/x11/X11PropertyCache.h"
#include "backends/x11/pure/FrameGeometry.h"
#include "base/Rect.h"
#include "port/Windows.h"

namespace kelvra::x11 {

// Where a client window is: its area and the frame the user sees around it.
struct Placement {
    WindowArea area;  // root coordinates
    Extents decorations;
    Extents shadows;
    Rect frame;  // root coordinates: decorations included, client-drawn shadows excluded
};

// The session's client windows and what each tells about itself. With a window
// manager these are its managed clients; without one, the mapped top-level windows.
// Everything a window says about itself comes from the connection's property cache:
// the first question about a window reads all of it in one round trip, later ones
// cost none until the window changes it. Frames are read fresh (one round trip, for
// any number of windows). Frames are in root coordinates; a vanished window reads as
// nothing.
class X11Windows {
  public:
    explicit X11Windows(X11Connection& connection);

    // Client windows, bottom of the stack first.
    std::vector<Window> stacking();
    // Client windows in the order they were mapped.
    std::vector<Window> clients();
    // The window manager's active window (the focus without a manager), if any.
    std::optional<Window> activeWindow();

    // Reads what is not yet known about these windows, in one round trip.
    void prefetch(const std::vector<Window>& windows);
    // The owning process: the one the window names, else the one the server knows.
    std::optional<int32_t> pid(Window w);
    std::vector<std::optional<int32_t>> pids(const std::vector<Window>& windows);

    std::optional<Placement> placement(Window w);
    std::vector<std::optional<Placement>> placements(const std::vector<Window>& windows);
    std::optional<Rect> frame(Window w);
    bool exists(Window w);
    // The child of the root that holds the window (the window manager's frame, if any).
    std::optional<Window> topLevel(Window w);

    std::vector<std::string> types(Window w);
    bool isTransient(Window w);
    port::WindowKind kind(Window w);
    bool hasState(Window w, const char* state);
    bool isMinimized(Window w);
    std::optional<std::string> title(Window w);
    // WM_CLASS as (instance, class).
    std::optional<std::pair<std::string, std::string>> wmClass(Window w);
    std::optional<std::string> gtkApplicationId(Window w);
    // The startup-notification id the window's client was launched with.
    std::optional<std::string> startupId(Window w);
    SizeHints sizeHints(Window w);

  private:
    std::vector<Window> scanTopLevels();
    std::vector<Window> rootWindows(const char* property);
    PropertyValue value(Window w, const char* property);
    Extents extents(Window w, const char* property);
    Placement placed(Window w, const WindowArea& area);

    X11Connection& c_;
    X11PropertyCache& cache_;
    std::vector<Atom> facts_;
};

}  // namespace kelvra::x11
