#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/Subscription.h"

namespace kelvra::port {

// Modifier flags of a key event, in the window system's device-independent form.
namespace modifierFlags {
inline constexpr uint64_t shift = 0x20000;
inline constexpr uint64_t control = 0x40000;
inline constexpr uint64_t alt = 0x80000;
inline constexpr uint64_t super = 0x100000;
inline constexpr uint64_t deviceIndependentMask = 0xffff0000;
}  // namespace modifierFlags

struct KeyEvent {
    uint16_t keyCode = 0;        // platform-neutral virtual key code
    uint64_t modifierFlags = 0;  // see modifierFlags
    // What the key types with these modifiers in the current layout (UTF-8); empty for
    // keys that type nothing. Filled where the event reaches one of our own surfaces.
    std::string characters;
};

using KeyMonitorId = uint64_t;

// Key-down events sent to the program's own windows.
class KeyMonitor {
  public:
    virtual ~KeyMonitor() = default;
    // The listener hears key presses for as long as the subscription lives, after the
    // listeners subscribed before it. It returns true to swallow the event, false to let
    // it pass on.
    virtual Subscription onKeyDown(std::function<bool(const KeyEvent&)> listener) = 0;
};

}  // namespace kelvra::port
