#pragma once

#include <X11/Xlib.h>

#include "geometry/Rect.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Windows.h"
#include "platform/x11/pure/FrameGeometry.h"

namespace kelvra::x11 {

// Moves and resizes client windows the way the window manager wants to be asked,
// then waits (bounded) for its answer, so that reading the frame afterwards gives
// what was really applied: size increments and minimum sizes change the request.
class X11WindowMover {
  public:
    X11WindowMover(X11Connection& connection, X11Windows& windows)
        : c_(connection), windows_(windows) {}

    // Asks for the outer frame `target` (root coordinates). False when the window is
    // gone or the request failed; true does not promise the frame was granted.
    bool setFrame(Window w, const Rect& target, double timeoutSeconds);

  private:
    void leaveMaximizedAndFullscreen(Window w);
    // Waits until the window shows `target` or the manager answered, or time runs out.
    // or it shows what the client's size rules let the manager grant.
    void awaitAnswer(Window w, const Rect& target, const Rect& expected, unsigned long sinceSerial,
                     double timeoutSeconds);
    SizeHints sizeHints(Window w);

    X11Connection& c_;
    X11Windows& windows_;
};

}  // namespace kelvra::x11
