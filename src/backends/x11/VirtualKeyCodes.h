#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "base/Subscription.h"

// Kept free of Xlib's headers, whose macros collide with Qt's names.
struct _XDisplay;

namespace kelvra::x11 {

class X11Connection;

using KeyCode = uint8_t;
using KeySym = unsigned long;

// Translates the platform-neutral virtual key codes of the shortcut table to the X
// server's keycodes and back. A virtual key code names a physical key position (0 is
// the key where an ANSI keyboard has A), so the translation goes through the XKB key
// names, which are positional too; a key whose name the keymap lacks falls back to the
// keysym that the position carries on a US layout. Follows changes of the keymap.
class VirtualKeyCodes {
  public:
    explicit VirtualKeyCodes(X11Connection& connection);
    ~VirtualKeyCodes();
    VirtualKeyCodes(const VirtualKeyCodes&) = delete;
    VirtualKeyCodes& operator=(const VirtualKeyCodes&) = delete;

    // Runs after the tables were rebuilt for a changed keymap (keys or modifiers).
    Subscription onKeymapChanged(std::function<void()> callback);

    std::optional<KeyCode> keycodeFor(uint16_t virtualKey) const;
    std::optional<uint16_t> virtualKeyFor(KeyCode keycode) const;

    // The keysym of the position on a US layout, and the reverse; no server needed.
    static std::optional<KeySym> usKeysymFor(uint16_t virtualKey);
    static std::optional<uint16_t> virtualKeyForUsKeysym(KeySym keysym);
    // Every virtual key code that names a position: the keys that can be recorded.
    static std::vector<uint16_t> virtualKeys();

  private:
    void reload();

    X11Connection& connection_;
    Subscription listener_;
    uint64_t nextCallback_ = 1;
    std::map<uint64_t, std::function<void()>> callbacks_;
    std::map<uint16_t, KeyCode> toKeycode_;
    std::map<KeyCode, uint16_t> toVirtual_;
};

}  // namespace kelvra::x11
