#include "input/ShortcutCheck.h"

#include <algorithm>

#include "port/Platform.h"

namespace kelvra {

namespace {

constexpr uint32_t candidateModifiers[] = {
    modifierBits::control | modifierBits::super,
    modifierBits::alt | modifierBits::super,
    modifierBits::control | modifierBits::alt | modifierBits::shift,
    modifierBits::alt | modifierBits::shift,
};

// "Ctrl+Super" for the modifiers of "Ctrl+Super+←".
std::string modifierNames(uint32_t modifiers) {
    const std::string name =
        KeyCombo{KeyCombo::defaults().begin()->second.keyCode, modifiers}.displayName();
    return name.substr(0, name.rfind('+'));
}

}  // namespace

ShortcutState checkShortcut(const KeyCombo& combo) {
    auto& hotKeys = *platform().hotKeys;
    if (hotKeys.isServerAction(combo.keyCode, combo.modifiers)) return ShortcutState::serverAction;
    return hotKeys.isFree(combo.keyCode, combo.modifiers) ? ShortcutState::free
                                                          : ShortcutState::taken;
}

std::map<std::string, ShortcutState> checkShortcuts(const ShortcutTable& table) {
    std::map<std::string, ShortcutState> states;
    for (const auto& [name, combo] : table) states[name] = checkShortcut(combo);
    return states;
}

std::optional<AlternativeShortcuts> freeAlternativeShortcuts() {
    for (uint32_t modifiers : candidateModifiers) {
        AlternativeShortcuts candidate{modifierNames(modifiers), {}};
        for (const auto& [name, combo] : KeyCombo::defaults())
            candidate.table[name] = KeyCombo{combo.keyCode, modifiers};
        const bool allFree = std::all_of(
            candidate.table.begin(), candidate.table.end(),
            [](const auto& entry) { return checkShortcut(entry.second) == ShortcutState::free; });
        if (allFree) return candidate;
    }
    return std::nullopt;
}

ShortcutTable withAlternative(const ShortcutTable& current,
                              const AlternativeShortcuts& alternative) {
    ShortcutTable table = current;
    const auto& defaults = KeyCombo::defaults();
    for (const auto& [name, combo] : alternative.table) {
        auto now = table.find(name);
        auto original = defaults.find(name);
        if (now != table.end() && original != defaults.end() && now->second == original->second)
            now->second = combo;
    }
    return table;
}

}  // namespace kelvra
