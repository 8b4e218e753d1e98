#include "backends/x11/VirtualKeyCodes.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XKBstr.h>
#include <X11/keysym.h>

#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

#include "backends/x11/X11Connection.h"

namespace kelvra::x11 {

namespace {

struct KeyPosition {
    uint16_t virtualKey;
    std::string_view xkbName;  // the XKB key name of the position
    KeySym usKeysym;           // what the position types on a US layout
};

// clang-format off
constexpr KeyPosition positions[] = {
    {0, "AC01", XK_a}, {1, "AC02", XK_s}, {2, "AC03", XK_d}, {3, "AC04", XK_f},
    {4, "AC06", XK_h}, {5, "AC05", XK_g}, {6, "AB01", XK_z}, {7, "AB02", XK_x},
    {8, "AB03", XK_c}, {9, "AB04", XK_v}, {11, "AB05", XK_b}, {12, "AD01", XK_q},
    {13, "AD02", XK_w}, {14, "AD03", XK_e}, {15, "AD04", XK_r}, {16, "AD06", XK_y},
    {17, "AD05", XK_t}, {18, "AE01", XK_1}, {19, "AE02", XK_2}, {20, "AE03", XK_3},
    {21, "AE04", XK_4}, {22, "AE06", XK_6}, {23, "AE05", XK_5}, {24, "AE12", XK_equal},
    {25, "AE09", XK_9}, {26, "AE07", XK_7}, {27, "AE11", XK_minus}, {28, "AE08", XK_8},
    {29, "AE10", XK_0}, {30, "AD12", XK_bracketright}, {31, "AD09", XK_o},
    {32, "AD07", XK_u}, {33, "AD11", XK_bracketleft}, {34, "AD08", XK_i},
    {35, "AD10", XK_p}, {36, "RTRN", XK_Return}, {37, "AC09", XK_l}, {38, "AC07", XK_j},
    {39, "AC11", XK_apostrophe}, {40, "AC08", XK_k}, {41, "AC10", XK_semicolon},
    {42, "BKSL", XK_backslash}, {43, "AB08", XK_comma}, {44, "AB10", XK_slash},
    {45, "AB06", XK_n}, {46, "AB07", XK_m}, {47, "AB09", XK_period}, {48, "TAB", XK_Tab},
    {49, "SPCE", XK_space}, {50, "TLDE", XK_grave}, {51, "BKSP", XK_BackSpace},
    {53, "ESC", XK_Escape},
    // The keypad: its own positions, never the main-row keys it types the same as.
    {65, "KPDL", XK_KP_Decimal}, {67, "KPMU", XK_KP_Multiply}, {69, "KPAD", XK_KP_Add},
    {75, "KPDV", XK_KP_Divide}, {76, "KPEN", XK_KP_Enter}, {78, "KPSU", XK_KP_Subtract},
    {81, "KPEQ", XK_KP_Equal}, {82, "KP0", XK_KP_0}, {83, "KP1", XK_KP_1},
    {84, "KP2", XK_KP_2}, {85, "KP3", XK_KP_3}, {86, "KP4", XK_KP_4}, {87, "KP5", XK_KP_5},
    {88, "KP6", XK_KP_6}, {89, "KP7", XK_KP_7}, {91, "KP8", XK_KP_8}, {92, "KP9", XK_KP_9},
    {64, "FK17", XK_F17}, {79, "FK18", XK_F18}, {80, "FK19", XK_F19}, {90, "FK20", XK_F20},
    {105, "FK13", XK_F13}, {106, "FK16", XK_F16}, {107, "FK14", XK_F14},
    {113, "FK15", XK_F15},
    // The Help position of the classic extended keyboard is Insert on a PC keyboard.
    {114, "INS", XK_Insert},
    {96, "FK05", XK_F5}, {97, "FK06", XK_F6}, {98, "FK07", XK_F7}, {99, "FK03", XK_F3},
    {100, "FK08", XK_F8}, {101, "FK09", XK_F9}, {103, "FK11", XK_F11},
    {109, "FK10", XK_F10}, {111, "FK12", XK_F12}, {115, "HOME", XK_Home},
    {116, "PGUP", XK_Page_Up}, {117, "DELE", XK_Delete}, {118, "FK04", XK_F4},
    {119, "END", XK_End}, {120, "FK02", XK_F2}, {121, "PGDN", XK_Page_Down},
    {122, "FK01", XK_F1}, {123, "LEFT", XK_Left}, {124, "RGHT", XK_Right},
    {125, "DOWN", XK_Down}, {126, "UP", XK_Up},
};
// clang-format on

std::string_view nameOf(const char (&name)[XkbKeyNameLength]) {
    return {name, strnlen(name, XkbKeyNameLength)};
}

}  // namespace

VirtualKeyCodes::VirtualKeyCodes(X11Connection& connection) : connection_(connection) {
    reload();
    listener_ = connection_.addListener([this](const XEvent& event) {
        if (event.type != MappingNotify) return;
        // Xlib may read the whole event behind the pointer (its keyboard extension
        // takes it for an event of its own), so refresh from a full copy.
        XEvent copy = event;
        XRefreshKeyboardMapping(&copy.xmapping);
        if (copy.xmapping.request == MappingPointer) return;
        reload();
        // Callbacks may cancel their own subscription.
        std::vector<uint64_t> ids;
        for (const auto& [id, callback] : callbacks_) ids.push_back(id);
        for (auto id : ids) {
            if (auto it = callbacks_.find(id); it != callbacks_.end()) it->second();
        }
    });
}

VirtualKeyCodes::~VirtualKeyCodes() {
    listener_.cancel();
}

Subscription VirtualKeyCodes::onKeymapChanged(std::function<void()> callback) {
    const auto id = nextCallback_++;
    callbacks_.emplace(id, std::move(callback));
    return Subscription([this, id] { callbacks_.erase(id); });
}

void VirtualKeyCodes::reload() {
    toKeycode_.clear();
    toVirtual_.clear();
    Display* display = connection_.display();
    if (!display) return;
    std::map<std::string_view, KeyCode> byName;
    if (XkbDescPtr xkb = XkbGetMap(display, 0, XkbUseCoreKbd)) {
        if (XkbGetNames(display, XkbKeyNamesMask | XkbKeyAliasesMask, xkb) == Success &&
            xkb->names && xkb->names->keys) {
            for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
                auto name = nameOf(xkb->names->keys[kc].name);
                for (const auto& p : positions) {
                    if (p.xkbName == name && !byName.contains(p.xkbName)) {
                        byName[p.xkbName] = static_cast<KeyCode>(kc);
                    }
                }
            }
            // Aliases name the same position under another name (LatQ for AD01 ...).
            for (int i = 0; i < xkb->names->num_key_aliases; ++i) {
                const auto& alias = xkb->names->key_aliases[i];
                auto aliasName = nameOf(alias.alias);
                auto realName = nameOf(alias.real);
                for (const auto& p : positions) {
                    if (p.xkbName != aliasName || byName.contains(p.xkbName)) continue;
                    for (int kc = xkb->min_key_code; kc <= xkb->max_key_code; ++kc) {
                        if (nameOf(xkb->names->keys[kc].name) == realName) {
                            byName[p.xkbName] = static_cast<KeyCode>(kc);
                        }
                    }
                }
            }
        }
        XkbFreeKeyboard(xkb, 0, True);
    }
    for (const auto& p : positions) {
        KeyCode kc = 0;
        if (auto it = byName.find(p.xkbName); it != byName.end()) {
            kc = it->second;
        } else {
            kc = XKeysymToKeycode(display, p.usKeysym);
        }
        if (kc == 0) continue;
        toKeycode_[p.virtualKey] = kc;
        toVirtual_.try_emplace(kc, p.virtualKey);
    }
}

std::optional<KeyCode> VirtualKeyCodes::keycodeFor(uint16_t virtualKey) const {
    auto it = toKeycode_.find(virtualKey);
    if (it == toKeycode_.end()) return std::nullopt;
    return it->second;
}

std::optional<uint16_t> VirtualKeyCodes::virtualKeyFor(KeyCode keycode) const {
    auto it = toVirtual_.find(keycode);
    if (it == toVirtual_.end()) return std::nullopt;
    return it->second;
}

std::optional<KeySym> VirtualKeyCodes::usKeysymFor(uint16_t virtualKey) {
    for (const auto& p : positions) {
        if (p.virtualKey == virtualKey) return p.usKeysym;
    }
    return std::nullopt;
}

std::vector<uint16_t> VirtualKeyCodes::virtualKeys() {
    std::vector<uint16_t> keys;
    for (const auto& p : positions) keys.push_back(p.virtualKey);
    return keys;
}

std::optional<uint16_t> VirtualKeyCodes::virtualKeyForUsKeysym(KeySym keysym) {
    // Letters arrive in either case depending on Shift.
    if (keysym >= XK_A && keysym <= XK_Z) keysym = keysym - XK_A + XK_a;
    // With Num Lock off the keypad types its second meaning; the key is the same.
    switch (keysym) {
        case XK_KP_Insert:
            keysym = XK_KP_0;
            break;
        case XK_KP_End:
            keysym = XK_KP_1;
            break;
        case XK_KP_Down:
            keysym = XK_KP_2;
            break;
        case XK_KP_Next:
            keysym = XK_KP_3;
            break;
        case XK_KP_Left:
            keysym = XK_KP_4;
            break;
        case XK_KP_Begin:
            keysym = XK_KP_5;
            break;
        case XK_KP_Right:
            keysym = XK_KP_6;
            break;
        case XK_KP_Home:
            keysym = XK_KP_7;
            break;
        case XK_KP_Up:
            keysym = XK_KP_8;
            break;
        case XK_KP_Prior:
            keysym = XK_KP_9;
            break;
        case XK_KP_Delete:
        case XK_KP_Separator:
            keysym = XK_KP_Decimal;
            break;
        default:
            break;
    }
    for (const auto& p : positions) {
        if (p.usKeysym == keysym) return p.virtualKey;
    }
    return std::nullopt;
}

}  // namespace kelvra::x11
