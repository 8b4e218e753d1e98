#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "backends/x11/X11Connection.h"
#include "backends/x11/X11Windows.h"
#include "base/LifetimeGuard.h"
#include "base/Rect.h"
#include "base/Signal.h"
#include "port/Windows.h"

namespace kelvra::x11 {

// Tells who asked what happens to client windows: moves, resizes, minimizing and the
// end of a watched window, from its configure, property and destroy events (and its
// frame's, under a reparenting manager), and new windows of a process from changes of
// the client list. Events only mark a window; what changed is read and told on the
// main run loop afterwards, once per burst.
class X11WindowObservers {
  public:
    X11WindowObservers(X11Connection& connection, X11Windows& windows);
    ~X11WindowObservers();
    X11WindowObservers(const X11WindowObservers&) = delete;
    X11WindowObservers& operator=(const X11WindowObservers&) = delete;

    Subscription observe(Window w, std::function<void(port::WindowEvent)> callback);
    Subscription observeCreated(int32_t pid, std::function<void(port::WindowRef)> callback);

  private:
    // What was last seen of a watched window, to tell which events a change makes.
    struct Watched {
        Window frame = None;
        Rect frameRect;
        bool minimized = false;
        Signal<port::WindowEvent> changed;
    };

    void rememberClients();
    void watchFrame(Window w, Watched& state);
    void onEvent(const XEvent& e);
    void post(std::function<void()> work);
    void scheduleCheck(Window w);
    void checkWindow(Window w);
    void scheduleClientListCheck();
    void checkClientList();
    void ended(Window w);

    X11Connection& c_;
    X11Windows& windows_;
    Subscription listener_;
    std::map<Window, Watched> watched_;
    std::map<Window, Window> clientOfFrame_;
    std::set<Window> checksPending_;
    bool clientListCheckPending_ = false;
    bool clientsKnown_ = false;
    std::set<Window> knownClients_;
    std::map<int32_t, Signal<port::WindowRef>> created_;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra::x11
