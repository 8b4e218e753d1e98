#pragma once

#include <cstdint>
#include <optional>

namespace kelvra::wayland {

// The kernel's key codes (what Wayland's keymaps are indexed by, offset by 8) and the
// platform-neutral virtual key codes name the same physical positions.
std::optional<uint16_t> virtualKeyForKernelCode(uint32_t kernelCode);
std::optional<uint32_t> kernelCodeForVirtualKey(uint16_t virtualKey);

// Keymaps number keys from 8: the kernel's code plus this.
inline constexpr uint32_t xkbKeycodeOffset = 8;

}  // namespace kelvra::wayland
