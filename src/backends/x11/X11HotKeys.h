#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "base/Signal.h"
#include "base/Subscription.h"
#include "port/HotKeys.h"

namespace kelvra::x11 {

class X11Connection;
class VirtualKeyCodes;

// System-wide hot keys as passive key grabs on the root window. Each combination is
// grabbed with every state of Caps Lock and Num Lock, so that those locks do not turn
// a shortcut off; grabs follow the keymap when it changes. A key held down is one
// press: its auto-repeat fires nothing until the key has been released.
class X11HotKeys final : public port::HotKeys {
  public:
    X11HotKeys(X11Connection& connection, VirtualKeyCodes& keys);
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    Subscription onPressed(std::function<void(uint32_t signature, uint32_t id)> listener) override;
    std::optional<port::HotKeyRef> registerHotKey(uint32_t keyCode, uint32_t modifiers,
                                                  uint32_t signature, uint32_t id) override;
    void unregisterHotKey(port::HotKeyRef ref) override;
    bool isServerAction(uint32_t keyCode, uint32_t modifiers) override;
    // Free to grab, and none of its modifier keys grabbed by another client: a manager that
    // grabs one (IceWM opens its menu with Super) takes the keyboard when it goes down,
    // and the combination never reaches its own grab.
    bool isFree(uint32_t keyCode, uint32_t modifiers) override;

    // The X modifier state of the classic modifier bits.
    static unsigned int xModifiersFor(uint32_t modifiers);

  private:
    struct HotKey {
        uint16_t virtualKey;
        unsigned int modifiers;  // X modifier state
        uint32_t signature;
        uint32_t id;
        KeyCode grabbed = 0;  // 0 while the key has no grab (not in the keymap)
        // The modifier states grabbed with it: the lock variants of the mapping that was
        // current then, so that they are the ones given back after a keymap change.
        std::vector<unsigned int> grabbedModifiers;
    };

    // The modifier states to grab for these modifiers, with and without the locks.
    std::vector<unsigned int> lockVariants(unsigned int modifiers) const;
    bool grab(HotKey& hotKey);
    void ungrab(HotKey& hotKey);
    void regrabAll();
    void onEvent(const XEvent& event);
    unsigned int numLockMask() const;
    bool isAutoRepeat(KeyCode keycode, Time time) const;

    X11Connection& connection_;
    VirtualKeyCodes& keys_;
    Subscription listener_;
    Subscription keymapSubscription_;
    Signal<uint32_t, uint32_t> pressed_;
    std::map<port::HotKeyRef, HotKey> hotKeys_;
    port::HotKeyRef nextRef_ = 1;
    // Hot keys down now, with the time of their last press (first or repeated).
    std::map<KeyCode, Time> held_;
};

}  // namespace kelvra::x11
