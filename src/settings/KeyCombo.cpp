#include "settings/KeyCombo.h"

#include "port/Platform.h"
#include "settings/Utf8Case.h"

namespace kelvra {

namespace {

namespace keys {
inline constexpr uint32_t returnKey = 36;
inline constexpr uint32_t tab = 48;
inline constexpr uint32_t space = 49;
inline constexpr uint32_t deleteKey = 51;
inline constexpr uint32_t escape = 53;
inline constexpr uint32_t keypadEnter = 76;
inline constexpr uint32_t leftArrow = 123;
inline constexpr uint32_t rightArrow = 124;
inline constexpr uint32_t downArrow = 125;
inline constexpr uint32_t upArrow = 126;
}  // namespace keys

constexpr uint32_t controlOption = modifierBits::control | modifierBits::alt;

// The unshifted text the key types in the current layout; none when it types nothing.
std::optional<std::string> translateKeyCode(uint32_t keyCode) {
    auto text = platform().keyboardLayout->translate(static_cast<uint16_t>(keyCode & 0xffff));
    if (!text || text->empty()) return std::nullopt;
    return text;
}

// Keys that type no text, or the same text as another key: named by what they are.
const std::map<uint32_t, std::string>& fixedKeyNames() {
    static const std::map<uint32_t, std::string> names = {
        {keys::keypadEnter, "NumEnter"},
        {65, "Num."},
        {67, "Num*"},
        {69, "Num+"},
        {75, "Num/"},
        {78, "Num-"},
        {81, "Num="},
        {82, "Num0"},
        {83, "Num1"},
        {84, "Num2"},
        {85, "Num3"},
        {86, "Num4"},
        {87, "Num5"},
        {88, "Num6"},
        {89, "Num7"},
        {91, "Num8"},
        {92, "Num9"},
        {122, "F1"},
        {120, "F2"},
        {99, "F3"},
        {118, "F4"},
        {96, "F5"},
        {97, "F6"},
        {98, "F7"},
        {100, "F8"},
        {101, "F9"},
        {109, "F10"},
        {103, "F11"},
        {111, "F12"},
        {105, "F13"},
        {107, "F14"},
        {113, "F15"},
        {106, "F16"},
        {64, "F17"},
        {79, "F18"},
        {80, "F19"},
        {90, "F20"},
        {114, "Insert"},
        {115, "Home"},
        {116, "PgUp"},
        {117, "Del"},
        {119, "End"},
        {121, "PgDn"},
    };
    return names;
}

struct ModifierPair {
    uint32_t bit;
    uint64_t flag;
};

constexpr ModifierPair modifierPairs[] = {
    {modifierBits::control, port::modifierFlags::control},
    {modifierBits::alt, port::modifierFlags::alt},
    {modifierBits::shift, port::modifierFlags::shift},
    {modifierBits::super, port::modifierFlags::super},
};

}  // namespace

const std::map<std::string, KeyCombo>& KeyCombo::defaults() {
    static const std::map<std::string, KeyCombo> table{
        {"snapLeftHalf", {keys::leftArrow, controlOption}},
        {"snapRightHalf", {keys::rightArrow, controlOption}},
        {"snapTopHalf", {keys::upArrow, controlOption}},
        {"snapBottomHalf", {keys::downArrow, controlOption}},
        {"maximize", {keys::returnKey, controlOption}},
        {"snapTopLeft", {32, controlOption}},         // U
        {"snapTopRight", {34, controlOption}},        // I
        {"snapBottomLeft", {38, controlOption}},      // J
        {"snapBottomRight", {40, controlOption}},     // K
        {"snapLeftThird", {2, controlOption}},        // D
        {"snapCenterThird", {3, controlOption}},      // F
        {"snapRightThird", {5, controlOption}},       // G
        {"snapLeftTwoThirds", {14, controlOption}},   // E
        {"snapRightTwoThirds", {17, controlOption}},  // T
        {"center", {8, controlOption}},               // C
        {"restore", {keys::deleteKey, controlOption}},
        {"showHUD", {keys::space, controlOption}},
        {"nextDisplay", {45, controlOption}},  // N
    };
    return table;
}

std::string KeyCombo::displayName() const {
    std::string name;
    if (modifiers & modifierBits::control) name += "Ctrl+";
    if (modifiers & modifierBits::alt) name += "Alt+";
    if (modifiers & modifierBits::shift) name += "Shift+";
    if (modifiers & modifierBits::super) name += "Super+";
    return name + keyName(keyCode);
}

// Named as the keys are labelled on the keyboard.
std::string KeyCombo::keyName(uint32_t keyCode) {
    switch (keyCode) {
        case keys::returnKey:
            return "Enter";
        case keys::tab:
            return "Tab";
        case keys::space:
            return "Space";
        case keys::deleteKey:
            return "Backspace";
        case keys::escape:
            return "Esc";
        case keys::leftArrow:
            return "←";
        case keys::rightArrow:
            return "→";
        case keys::downArrow:
            return "↓";
        case keys::upArrow:
            return "↑";
        default:
            break;
    }
    if (auto it = fixedKeyNames().find(keyCode); it != fixedKeyNames().end()) return it->second;
    if (auto text = translateKeyCode(keyCode)) return utf8ToUpper(*text);
    return "key" + std::to_string(keyCode);
}

std::optional<KeyCombo::MenuKeyEquivalent> KeyCombo::menuKeyEquivalent() const {
    uint64_t mask = 0;
    for (const auto& pair : modifierPairs) {
        if (modifiers & pair.bit) mask |= pair.flag;
    }
    std::string key;
    switch (keyCode) {
        case keys::returnKey:
        case keys::keypadEnter:
            key = "\r";
            break;
        case keys::tab:
            key = "\t";
            break;
        case keys::space:
            key = " ";
            break;
        case keys::deleteKey:
            key = "\b";
            break;
        case keys::escape:
            key = "\x1b";
            break;
        // The menu system's function-key characters for the arrows.
        case keys::leftArrow:
            key = "\uF702";
            break;
        case keys::rightArrow:
            key = "\uF703";
            break;
        case keys::downArrow:
            key = "\uF701";
            break;
        case keys::upArrow:
            key = "\uF700";
            break;
        default: {
            const std::string name = keyName(keyCode);
            // A "key…" fallback name is no key equivalent at all.
            if (utf8CodePointCount(name) != 1) return std::nullopt;
            key = utf8ToLower(name);
        }
    }
    return MenuKeyEquivalent{key, mask};
}

uint32_t KeyCombo::modifiersFromEventFlags(uint64_t flags) {
    uint32_t bits = 0;
    for (const auto& pair : modifierPairs) {
        if (flags & pair.flag) bits |= pair.bit;
    }
    return bits;
}

}  // namespace kelvra
