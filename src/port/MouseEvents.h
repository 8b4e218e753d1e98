#pragma once

#include <functional>

#include "base/Rect.h"
#include "base/Subscription.h"

namespace kelvra::port {

struct MouseEvent {
    enum class Type { leftDown, leftDragged, leftUp };
    Type type = Type::leftDown;
    Point location;            // global, top-left space
    bool functionKey = false;  // the modifier that stands in for the function key is held
};

// A listen-only source of global left-button events: it never grabs or consumes input.
class MouseEvents {
  public:
    virtual ~MouseEvents() = default;
    // The events while the source runs, on the main thread, for as long as the
    // subscription lives.
    virtual Subscription onEvent(std::function<void(const MouseEvent&)> listener) = 0;
    // False when the source cannot be started.
    virtual bool start() = 0;
    virtual void stop() = 0;
};

}  // namespace kelvra::port
