#pragma once

#include <functional>

#include "base/Rect.h"
#include "window/WindowHandle.h"

namespace kelvra {

// Some applications put back their own remembered geometry right after their window
// maps. Once a placed window has had time to settle, this looks again and places it a
// second time when its frame is no longer the one it was given. Only once: a later
// move is the user's and stays.
class SettleCheck {
  public:
    static constexpr double delay = 1.0;
    // Frames within this many points count as kept (size rules round frames).
    static constexpr double tolerance = 2.0;

    // After `delay`, calls `place` again when the window is still there and its frame
    // is no longer `placed`.
    static void schedule(const WindowHandle& window, const Rect& placed,
                         std::function<void()> place);
};

}  // namespace kelvra
