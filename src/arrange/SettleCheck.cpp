#include "arrange/SettleCheck.h"

#include "port/Platform.h"

namespace kelvra {

void SettleCheck::schedule(const WindowHandle& window, const Rect& placed,
                           std::function<void()> place) {
    platform().runLoop->scheduleTimer(delay, false, [window, placed, place = std::move(place)] {
        auto now = window.frame();
        if (!now || now->approximatelyEquals(placed, tolerance)) return;
        logLine("window " + std::to_string(window.element().id) +
                " moved itself after it was placed; placing it again");
        place();
    });
}

}  // namespace kelvra
