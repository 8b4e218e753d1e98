#pragma once

#include <functional>

#include "base/Rect.h"

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
    // False when the source cannot be started. Events arrive on the main thread.
    virtual bool start(std::function<void(const MouseEvent&)> handler) = 0;
    virtual void stop() = 0;
};

}  // namespace kelvra::port
