#include "backends/kwin/KWinKeyboardLayout.h"

#include "backends/sim/UsKeyboardLayout.h"

namespace kelvra::kwin {

std::optional<std::string> KWinKeyboardLayout::translate(uint16_t virtualKeyCode) {
    const auto& layout = sim::usKeyboardLayout();
    auto it = layout.find(virtualKeyCode);
    if (it == layout.end()) return std::nullopt;
    return it->second;
}

}  // namespace kelvra::kwin
