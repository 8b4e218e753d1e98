#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <utility>

#include "backends/x11/X11Connection.h"
#include "backends/x11/X11Windows.h"

namespace kelvra::x11 {

// Requests to client windows that go through the window manager when there is one,
// and straight to the window (or its client) when there is none. True when the
// request was delivered, not necessarily granted.
class X11WindowCommands {
  public:
    X11WindowCommands(X11Connection& connection, X11Windows& windows)
        : c_(connection), windows_(windows) {}

    // Brings the window to the front and gives it the focus.
    bool activate(Window w);
    // Asks the window to close, as its close button would.
    bool close(Window w);

    // The user is moving `w` with the pointer through the window manager, which keeps
    // the size the window had when the move began. Ends that move so that a new size is
    // not undone by its next step; false (nothing done) when the manager offers no such
    // control or the button is no longer down.
    bool interruptMove(Window w);
    // Lets the manager carry on moving `w` with the pointer from where it is now.
    void resumeMove(Window w);

  private:
    // Where the pointer is, while the left button is down.
    std::optional<std::pair<int, int>> pointerWhileLeftDown();
    bool managerSupports(const char* atomName);

    X11Connection& c_;
    X11Windows& windows_;
};

}  // namespace kelvra::x11
