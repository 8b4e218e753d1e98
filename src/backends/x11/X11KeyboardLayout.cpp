#include "backends/x11/X11KeyboardLayout.h"

#include <X11/XKBlib.h>
#include <xkbcommon/xkbcommon.h>

#include <array>

#include "backends/x11/VirtualKeyCodes.h"
#include "backends/x11/X11Connection.h"

namespace kelvra::x11 {

X11KeyboardLayout::X11KeyboardLayout(X11Connection& connection, const VirtualKeyCodes& keys)
    : connection_(connection), keys_(keys) {}

std::optional<std::string> X11KeyboardLayout::translate(uint16_t virtualKeyCode) {
    Display* display = connection_.display();
    auto keycode = keys_.keycodeFor(virtualKeyCode);
    if (!display || !keycode) return std::nullopt;
    XkbStateRec state{};
    const unsigned int group =
        XkbGetState(display, XkbUseCoreKbd, &state) == Success ? state.group : 0;
    ::KeySym keysym = XkbKeycodeToKeysym(display, *keycode, static_cast<int>(group), 0);
    // A group that leaves the key empty falls back to the first, as typing does.
    if (keysym == NoSymbol && group != 0) keysym = XkbKeycodeToKeysym(display, *keycode, 0, 0);
    if (keysym == NoSymbol) return std::nullopt;
    std::array<char, 16> buffer{};
    const int size =
        xkb_keysym_to_utf8(static_cast<xkb_keysym_t>(keysym), buffer.data(), buffer.size());
    // The size counts the terminating zero; 1 or less means the key types no text.
    if (size <= 1) return std::nullopt;
    std::string text(buffer.data(), static_cast<size_t>(size - 1));
    // Control characters (Return, Tab, Escape ...) are no name for a key.
    const auto first = static_cast<unsigned char>(text.front());
    if (text.size() == 1 && (first < 0x20 || first == 0x7f)) return std::nullopt;
    return text;
}

}  // namespace kelvra::x11
