#include "backends/sim/SimKeyboardLayout.h"

#include "backends/sim/UsKeyboardLayout.h"

namespace kelvra::sim {

std::optional<std::string> SimKeyboardLayout::translate(uint16_t keyCode) {
    if (auto it = s_.keyOverrides.find(keyCode); it != s_.keyOverrides.end()) return it->second;
    const auto& layout = usKeyboardLayout();
    if (auto it = layout.find(keyCode); it != layout.end()) return it->second;
    return std::nullopt;
}

}  // namespace kelvra::sim
