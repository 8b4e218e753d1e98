#pragma once

#include <X11/Xlib.h>

#include <functional>

#include "base/Signal.h"
#include "base/Subscription.h"
#include "port/MouseEvents.h"

namespace kelvra::x11 {

class X11Connection;

// Global left-button events from XInput2 raw events on the root window. Raw events
// reach every client that asks for them, whatever grabs are active, and asking for
// them takes nothing away from other clients: the source only listens. The pointer's
// position and the button and modifier state come from the server at each event.
// Motion is selected only while the left button is down, and a queued burst of it is
// read as one event.
class X11MouseEvents final : public port::MouseEvents {
  public:
    explicit X11MouseEvents(X11Connection& connection);
    ~X11MouseEvents() override;
    X11MouseEvents(const X11MouseEvents&) = delete;
    X11MouseEvents& operator=(const X11MouseEvents&) = delete;

    Subscription onEvent(std::function<void(const port::MouseEvent&)> listener) override;
    bool start() override;
    void stop() override;

    // The modifier state bit that stands in for the function key during a drag: the one
    // Hyper is on when Hyper has a modifier of its own, else Mod3 when a key is on it,
    // else Shift.
    unsigned int functionKeyMask() const { return functionKeyMask_; }

  private:
    void findFunctionKeyMask();
    void onEvent(const XEvent& event);
    void selectRawEvents(bool buttons, bool motion);
    void followMotion(bool on);
    static Bool isRawMotion(Display* display, XEvent* event, XPointer self);

    X11Connection& connection_;
    int xiOpcode_ = -1;
    Subscription listener_;
    unsigned int functionKeyMask_ = ShiftMask;
    bool leftDown_ = false;
    bool motionSelected_ = false;
    Point lastLocation_;
    Signal<port::MouseEvent> events_;
};

}  // namespace kelvra::x11
