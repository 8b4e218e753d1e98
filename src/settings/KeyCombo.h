#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace kelvra {

// Classic modifier bits of a key combination.
namespace modifierBits {
inline constexpr uint32_t super = 0x0100;
inline constexpr uint32_t shift = 0x0200;
inline constexpr uint32_t alt = 0x0800;
inline constexpr uint32_t control = 0x1000;
}  // namespace modifierBits

// A key combination: a platform-neutral virtual key code and classic modifier bits.
struct KeyCombo {
    uint32_t keyCode = 0;
    uint32_t modifiers = 0;

    friend bool operator==(const KeyCombo&, const KeyCombo&) = default;

    // The default shortcut table (18 entries, all control + option).
    static const std::map<std::string, KeyCombo>& defaults();

    // The combination as this desktop writes it: "Ctrl+Alt+←", "Ctrl+Alt+Space".
    std::string displayName() const;

    struct MenuKeyEquivalent {
        std::string key;    // UTF-8
        uint64_t mask = 0;  // window-system modifier flags
        friend bool operator==(const MenuKeyEquivalent&, const MenuKeyEquivalent&) = default;
    };
    std::optional<MenuKeyEquivalent> menuKeyEquivalent() const;

    static std::string keyName(uint32_t keyCode);
    static uint32_t modifiersFromEventFlags(uint64_t flags);
};

// The shortcut table: action name to combination.
using ShortcutTable = std::map<std::string, KeyCombo>;

void to_json(nlohmann::json& j, const KeyCombo& k);
void from_json(const nlohmann::json& j, KeyCombo& k);

}  // namespace kelvra
