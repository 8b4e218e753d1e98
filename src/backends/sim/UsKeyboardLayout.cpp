#include "backends/sim/UsKeyboardLayout.h"

namespace kelvra::sim {

const std::map<uint16_t, std::string>& usKeyboardLayout() {
    static const std::map<uint16_t, std::string> layout = {
        // Letters (the codes follow the physical key positions, not the alphabet).
        {0, "a"},
        {1, "s"},
        {2, "d"},
        {3, "f"},
        {4, "h"},
        {5, "g"},
        {6, "z"},
        {7, "x"},
        {8, "c"},
        {9, "v"},
        {11, "b"},
        {12, "q"},
        {13, "w"},
        {14, "e"},
        {15, "r"},
        {16, "y"},
        {17, "t"},
        {31, "o"},
        {32, "u"},
        {34, "i"},
        {35, "p"},
        {37, "l"},
        {38, "j"},
        {40, "k"},
        {45, "n"},
        {46, "m"},
        // Digit row and punctuation.
        {18, "1"},
        {19, "2"},
        {20, "3"},
        {21, "4"},
        {22, "6"},
        {23, "5"},
        {24, "="},
        {25, "9"},
        {26, "7"},
        {27, "-"},
        {28, "8"},
        {29, "0"},
        {30, "]"},
        {33, "["},
        {39, "'"},
        {41, ";"},
        {42, "\\"},
        {43, ","},
        {44, "/"},
        {47, "."},
        {50, "`"},
        // Space; the control keys (Return, Tab, Backspace, Escape) type no text.
        {49, " "},
        // The keypad's operators. Its digits and decimal key type their Num Lock off
        // meaning (End, Delete ...) without modifiers, so no text either.
        {67, "*"},
        {69, "+"},
        {75, "/"},
        {78, "-"},
        {81, "="},
    };
    return layout;
}

const std::set<uint16_t>& usKeyboardKeys() {
    static const std::set<uint16_t> keys = [] {
        std::set<uint16_t> all;
        for (const auto& [code, text] : usKeyboardLayout()) all.insert(code);
        // Return, Tab, Backspace, Escape; the rest of the keypad.
        for (uint16_t code : {36, 48, 51, 53, 65, 76, 82, 83, 84, 85, 86, 87, 88, 89, 91, 92}) {
            all.insert(code);
        }
        // F1 to F20 (the codes follow the classic extended keyboard, not the numbers).
        for (uint16_t code : {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                              103, 111, 105, 107, 113, 106, 64, 79,  80,  90}) {
            all.insert(code);
        }
        // Insert (the Help position), Home, Page Up, Delete, End, Page Down, the arrows.
        for (uint16_t code = 114; code <= 126; ++code) all.insert(code);
        return all;
    }();
    return keys;
}

}  // namespace kelvra::sim
