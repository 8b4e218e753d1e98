#include "backends/wayland/KernelKeyCodes.h"

#include <utility>

namespace kelvra::wayland {

namespace {

// Kernel key code -> virtual key code.
// clang-format off
constexpr std::pair<uint16_t, uint16_t> positions[] = {
    {1, 53}, {2, 18}, {3, 19}, {4, 20}, {5, 21}, {6, 23}, {7, 22}, {8, 26}, {9, 28},
    {10, 25}, {11, 29}, {12, 27}, {13, 24}, {14, 51}, {15, 48}, {16, 12}, {17, 13},
    {18, 14}, {19, 15}, {20, 17}, {21, 16}, {22, 32}, {23, 34}, {24, 31}, {25, 35},
    {26, 33}, {27, 30}, {28, 36}, {30, 0}, {31, 1}, {32, 2}, {33, 3}, {34, 5}, {35, 4},
    {36, 38}, {37, 40}, {38, 37}, {39, 41}, {40, 39}, {41, 50}, {43, 42}, {44, 6},
    {45, 7}, {46, 8}, {47, 9}, {48, 11}, {49, 45}, {50, 46}, {51, 43}, {52, 47}, {53, 44},
    {57, 49}, {59, 122}, {60, 120}, {61, 99}, {62, 118}, {63, 96}, {64, 97}, {65, 98},
    {66, 100}, {67, 101}, {68, 109}, {87, 103}, {88, 111}, {102, 115}, {103, 126},
    {104, 116}, {105, 123}, {106, 124}, {107, 119}, {108, 125}, {109, 121}, {110, 114},
    {111, 117},
};
// clang-format on

}  // namespace

std::optional<uint16_t> virtualKeyForKernelCode(uint32_t kernelCode) {
    for (const auto& [kernel, virtualKey] : positions) {
        if (kernel == kernelCode) return virtualKey;
    }
    return std::nullopt;
}

std::optional<uint32_t> kernelCodeForVirtualKey(uint16_t virtualKey) {
    for (const auto& [kernel, position] : positions) {
        if (position == virtualKey) return kernel;
    }
    return std::nullopt;
}

}  // namespace kelvra::wayland
