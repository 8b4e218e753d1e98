#include "backends/wayland/XkbText.h"

#include <xkbcommon/xkbcommon.h>

#include "backends/wayland/KernelKeyCodes.h"

namespace kelvra::wayland {

std::optional<std::string> typedText(xkb_state* state, uint16_t virtualKey) {
    auto kernel = kernelCodeForVirtualKey(virtualKey);
    if (!state || !kernel) return std::nullopt;
    char text[16] = {};
    const int size = xkb_state_key_get_utf8(state, *kernel + xkbKeycodeOffset, text, sizeof text);
    // Control characters (Return, Tab, Escape) type nothing one could show.
    if (size <= 0 || static_cast<unsigned char>(text[0]) < 0x20 || text[0] == 0x7f)
        return std::nullopt;
    return std::string(text, static_cast<size_t>(size));
}

}  // namespace kelvra::wayland
