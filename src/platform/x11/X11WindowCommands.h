#pragma once

#include <X11/Xlib.h>

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Windows.h"

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

  private:
    X11Connection& c_;
    X11Windows& windows_;
};

}  // namespace kelvra::x11
