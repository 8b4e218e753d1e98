#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "base/Rect.h"
#include "base/Subscription.h"
#include "port/Windows.h"

namespace kelvra::port {

using HotKeyRef = uint64_t;

// What each hot key's next press will do to the window in front, told ahead: a desktop
// that takes the press far from Kelvra (inside the compositor) moves the window at once
// and spares the press its round trip. Kelvra still carries the press out as always.
struct HotKeyForecast {
    WindowRef window;
    Rect from;                                      // the window's frame the forecast starts from
    std::vector<std::pair<uint32_t, Rect>> frames;  // by hot-key identifier
    std::optional<double> seconds;  // how long it holds; nothing: until the next one
    friend bool operator==(const HotKeyForecast&, const HotKeyForecast&) = default;
};

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

    // Whether the combination could be registered now; the test keeps nothing. A desktop
    // whose shortcuts live in a keybinding store it can read answers from that instead.
    virtual bool isFree(uint32_t keyCode, uint32_t modifiers) {
        auto ref = registerHotKey(keyCode, modifiers, probeSignature, 0);
        if (ref) unregisterHotKey(*ref);
        return ref.has_value();
    }
    // Whether the keyboard map binds the combination to the display server's own action
    // (ending the session, switching to a console): a press does that whatever a client
    // grabs, so such a combination is never registered.
    virtual bool isServerAction(uint32_t /*keyCode*/, uint32_t /*modifiers*/) { return false; }

    // Whether forecast() is heard; where not, Kelvra spares itself working them out.
    virtual bool takesForecasts() const { return false; }
    // Replaces the forecast told before; nothing withdraws it.
    virtual void forecast(const std::optional<HotKeyForecast>& /*next*/) {}

    // The signature of isFree's short-lived registrations.
    static constexpr uint32_t probeSignature = 0x4B4C5050;  // 'KLPP'
};

}  // namespace kelvra::port
