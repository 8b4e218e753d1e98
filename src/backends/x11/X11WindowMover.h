#pragma once

#include <X11/Xlib.h>

#include <optional>

#include "backends/x11/X11Connection.h"
#include "backends/x11/X11Windows.h"
#include "base/Rect.h"

namespace kelvra::x11 {

// Moves and resizes a client window with one request for the whole frame, the way
// the window manager wants to be asked, and tells what it was given: the client's
// size rules (increments, minimum and maximum) predict the manager's answer, and the
// frame is read back once the manager has answered (its configure events, waited
// for on the connection, never by sleeping).
class X11WindowMover {
  public:
    X11WindowMover(X11Connection& connection, X11Windows& windows)
        : c_(connection), windows_(windows) {}

    // Asks for the outer frame `target` (root coordinates) and returns the frame the
    // window has afterwards, or nothing when it is gone. Waits at most
    // `timeoutSeconds` for the manager.
    std::optional<Rect> setFrame(Window w, const Rect& target, double timeoutSeconds);

  private:
    // What the manager should grant, in root coordinates: the outer frame, the
    // manager's frame window (decorations included) and the client's area.
    struct Prediction {
        Rect frame;
        Rect frameWindow;
        Rect clientArea;
        bool sizeUnchanged = false;
    };

    void leaveMaximizedAndFullscreen(Window w);
    // Waits for the manager's answer: the predicted frame as its events report it, else
    // the frame read back once it answered (or when time runs out).
    std::optional<Rect> awaitAnswer(Window w, Window frame, const Rect& target,
                                    const Prediction& prediction, unsigned long sinceSerial,
                                    double timeoutSeconds);

    X11Connection& c_;
    X11Windows& windows_;
};

}  // namespace kelvra::x11
