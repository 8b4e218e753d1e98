#pragma once

#include <cstdint>

namespace kelvra::x11 {

// Accessibility element ids: the kind of object in the top byte, the X window id or
// process id below it. An id is stable for the object's life and never 0.
enum class ElementKind : uint8_t { none = 0, window = 1, application = 2, systemWide = 3 };

constexpr uint64_t makeElementId(ElementKind kind, uint64_t value) {
    return (static_cast<uint64_t>(kind) << 56) | (value & 0x00ffffffffffffffULL);
}
constexpr ElementKind elementKind(uint64_t id) {
    return static_cast<ElementKind>(id >> 56);
}
constexpr uint64_t elementValue(uint64_t id) {
    return id & 0x00ffffffffffffffULL;
}

}  // namespace kelvra::x11
