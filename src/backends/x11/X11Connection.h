#pragma once

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/LifetimeGuard.h"
#include "base/Rect.h"
#include "base/Signal.h"

namespace kelvra::x11 {

class X11PropertyCache;

// One monitor as RandR reports it, in root coordinates.
struct Monitor {
    uint64_t id = 0;  // the monitor's name atom: stable while the server runs
    std::string name;
    Rect root;
    bool primary = false;
    bool builtIn = false;  // a laptop panel drives it
};

// The connection to the X server that the whole backend shares: the display, error
// handling, atoms, event dispatch and the mapping between root coordinates and the
// program's top-left space (origin at the primary monitor's top-left corner).
// Everything runs on the main thread. Private to the X11 backend, whose Xlib it shows:
// the program and its views reach the backend through X11Backend.h and the port.
class X11Connection {
  public:
    // Opens the display named by $DISPLAY (or `displayName`). When that fails the
    // connection stays closed (isOpen() is false) and a line says why.
    explicit X11Connection(const char* displayName = nullptr);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    bool isOpen() const { return display_ != nullptr && !broken_; }
    Display* display() const { return display_; }
    // The same connection seen through XCB, for requests that are sent together and
    // answered in one round trip (cookies). Xlib keeps owning the event queue.
    xcb_connection_t* xcb() const { return xcb_; }
    // The window properties every part of the backend reads, kept current by events.
    X11PropertyCache& properties() { return *properties_; }
    Window root() const { return root_; }
    // The socket to watch for readability; call dispatchPending() when it is readable
    // and whenever the event loop is about to sleep (replies may have queued events).
    int fd() const;

    Atom atom(const char* name);
    // Interns many atoms in one round trip, so that later atom() calls need none.
    void preloadAtoms(const std::vector<const char*>& names);
    std::string atomName(Atom atom);

    // Failed requests never end the process: they set the last error code, which a
    // caller clears, makes its requests, and checks with checkedSync().
    void clearError();
    int lastError() const { return lastError_; }
    // Waits for the server to process every request; true when none of them failed
    // since clearError().
    bool checkedSync();

    // Event listeners see every event that dispatchPending() reads, in order.
    using Listener = std::function<void(const XEvent&)>;
    Subscription addListener(Listener listener);
    void dispatchPending();
    // Runs dispatchPending() soon on the main run loop: for callers whose round trips
    // read events into Xlib's queue, where the socket no longer shows them.
    void scheduleDispatch();
    // Adds to the events this client selects on a window (the root included) without
    // dropping what other parts of the program selected there: always use this.
    void addEventMask(Window window, long mask);
    // An EWMH client message about `w`, sent to the root for the window manager.
    void sendRootMessage(Window w, const char* type, long l0, long l1 = 0, long l2 = 0, long l3 = 0,
                         long l4 = 0);
    int randrEventBase() const { return randrEventBase_; }
    bool isRandrEvent(const XEvent& e) const;

    // The active monitors, primary first (the whole root when RandR has none).
    std::vector<Monitor> monitors();
    Rect rootBounds();
    // Conversion between root coordinates and the top-left space, at this boundary only.
    Point toPort(Point rootPoint);
    Rect toPort(const Rect& rootRect);
    Point toRoot(Point portPoint);
    Rect toRoot(const Rect& portRect);

    // Whether an EWMH window manager is running (its check window is alive). Kept
    // until the root's check property changes or the check window goes away.
    bool hasWindowManager();
    // The running manager's name as it gives it on its check window (_NET_WM_NAME:
    // "Xfwm4", "KWin"); empty without a manager or a name.
    std::string windowManagerName();

  private:
    static int onError(Display* display, XErrorEvent* error);
    static void onIOError(Display* display, void* self);
    Point primaryOrigin();

    Display* display_ = nullptr;
    xcb_connection_t* xcb_ = nullptr;
    std::unique_ptr<X11PropertyCache> properties_;
    // Whether the event starts or ends a window manager (its check window named or gone).
    bool isManagerNews(const XEvent& event, Atom check) const;
    std::optional<bool> managed_;
    Window managerCheck_ = 0;
    Window root_ = 0;
    bool broken_ = false;
    int lastError_ = 0;
    int randrEventBase_ = -1;
    std::unordered_map<std::string, Atom> atoms_;
    std::unordered_map<Atom, std::string> names_;
    Signal<XEvent> events_;
    std::map<Window, long> masks_;
    std::optional<Point> primaryOrigin_;
    bool dispatchScheduled_ = false;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra::x11
