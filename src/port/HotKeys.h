#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "base/Subscription.h"

namespace kelvra::port {

using HotKeyRef = uint64_t;

// System-wide hot keys. Key codes are the platform-neutral virtual key codes of the
// shortcut table; modifiers use the classic bits (command 0x0100, shift 0x0200,
// option 0x0800, control 0x1000). Each backend maps them to its own keys.
class HotKeys {
  public:
    virtual ~HotKeys() = default;
    // Pressed hot keys (signature, identifier), on the main thread, for as long as the
    // subscription lives. A key held down is one press: the keyboard's auto-repeat
    // reaches no listener.
    virtual Subscription onPressed(
        std::function<void(uint32_t signature, uint32_t id)> listener) = 0;
    // Nothing when the combination cannot be had (another client holds it, say).
    virtual std::optional<HotKeyRef> registerHotKey(uint32_t keyCode, uint32_t modifiers,
                                                    uint32_t signature, uint32_t id) = 0;
    virtual void unregisterHotKey(HotKeyRef ref) = 0;
};

}  // namespace kelvra::port
