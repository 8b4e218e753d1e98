#include "backends/x11/X11HotKeys.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <algorithm>

#include "backends/x11/VirtualKeyCodes.h"
#include "backends/x11/X11Connection.h"
#include "backends/x11/XkbServerActions.h"

namespace kelvra::x11 {

namespace {
constexpr uint32_t superBit = 0x0100;
constexpr uint32_t shiftBit = 0x0200;
constexpr uint32_t altBit = 0x0800;
constexpr uint32_t controlBit = 0x1000;
// The modifiers a combination is made of; the lock modifiers are ignored on a press.
constexpr unsigned int relevantModifiers = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;
}  // namespace

X11HotKeys::X11HotKeys(X11Connection& connection, VirtualKeyCodes& keys)
    : connection_(connection), keys_(keys) {
    listener_ = connection_.addListener([this](const XEvent& event) { onEvent(event); });
    // Without this the server sends a release before every repeated press, and a held
    // shortcut would spin through its cycle twenty times a second.
    if (connection_.isOpen()) {
        Bool supported = False;
        XkbSetDetectableAutoRepeat(connection_.display(), True, &supported);
    }
    keymapSubscription_ = keys_.onKeymapChanged([this] { regrabAll(); });
}

X11HotKeys::~X11HotKeys() {
    listener_.cancel();
    for (auto& [ref, hotKey] : hotKeys_) ungrab(hotKey);
    if (connection_.isOpen()) XFlush(connection_.display());
}

unsigned int X11HotKeys::xModifiersFor(uint32_t modifiers) {
    unsigned int mods = 0;
    if (modifiers & controlBit) mods |= ControlMask;
    if (modifiers & altBit) mods |= Mod1Mask;
    if (modifiers & shiftBit) mods |= ShiftMask;
    if (modifiers & superBit) mods |= Mod4Mask;
    return mods;
}

Subscription X11HotKeys::onPressed(std::function<void(uint32_t, uint32_t)> listener) {
    return pressed_.connect(std::move(listener));
}

std::optional<port::HotKeyRef> X11HotKeys::registerHotKey(uint32_t keyCode, uint32_t modifiers,
                                                          uint32_t signature, uint32_t id) {
    if (!connection_.isOpen() || keyCode > 0xffff) return std::nullopt;
    HotKey hotKey{static_cast<uint16_t>(keyCode), xModifiersFor(modifiers), signature, id, 0, {}};
    // One combination, one hot key: a second registration of it fails, as it would
    // for a combination that another client holds.
    for (const auto& [ref, other] : hotKeys_) {
        if (other.virtualKey == hotKey.virtualKey && other.modifiers == hotKey.modifiers) {
            return std::nullopt;
        }
    }
    if (!keys_.keycodeFor(hotKey.virtualKey) || !grab(hotKey)) return std::nullopt;
    const auto ref = nextRef_++;
    hotKeys_.emplace(ref, hotKey);
    return ref;
}

void X11HotKeys::unregisterHotKey(port::HotKeyRef ref) {
    auto it = hotKeys_.find(ref);
    if (it == hotKeys_.end()) return;
    ungrab(it->second);
    hotKeys_.erase(it);
    XFlush(connection_.display());
}

bool X11HotKeys::isServerAction(uint32_t keyCode, uint32_t modifiers) {
    if (!connection_.isOpen() || keyCode > 0xffff) return false;
    auto keycode = keys_.keycodeFor(static_cast<uint16_t>(keyCode));
    return keycode &&
           x11::isServerAction(connection_.display(), *keycode, xModifiersFor(modifiers));
}

bool X11HotKeys::isFree(uint32_t keyCode, uint32_t modifiers) {
    if (!port::HotKeys::isFree(keyCode, modifiers)) return false;
    const std::pair<uint32_t, std::initializer_list<KeySym>> modifierKeys[] = {
        {controlBit, {XK_Control_L, XK_Control_R}},
        {altBit, {XK_Alt_L, XK_Alt_R}},
        {shiftBit, {XK_Shift_L, XK_Shift_R}},
        {superBit, {XK_Super_L, XK_Super_R}},
    };
    Display* display = connection_.display();
    for (const auto& [bit, syms] : modifierKeys) {
        if (!(modifiers & bit)) continue;
        for (KeySym sym : syms) {
            const KeyCode keycode = XKeysymToKeycode(display, sym);
            if (keycode == 0) continue;
            // A grab with any modifiers meets every grab another client holds on the key.
            connection_.clearError();
            XGrabKey(display, keycode, AnyModifier, connection_.root(), False, GrabModeAsync,
                     GrabModeAsync);
            const bool held = !connection_.checkedSync();
            if (!held) XUngrabKey(display, keycode, AnyModifier, connection_.root());
            connection_.clearError();
            connection_.checkedSync();
            if (held) return false;
        }
    }
    return true;
}

unsigned int X11HotKeys::numLockMask() const {
    Display* display = connection_.display();
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    if (numLock == 0) return 0;
    unsigned int mask = 0;
    if (XModifierKeymap* map = XGetModifierMapping(display)) {
        for (int mod = 0; mod < 8; ++mod) {
            for (int k = 0; k < map->max_keypermod; ++k) {
                if (map->modifiermap[mod * map->max_keypermod + k] == numLock) mask = 1u << mod;
            }
        }
        XFreeModifiermap(map);
    }
    return mask;
}

std::vector<unsigned int> X11HotKeys::lockVariants(unsigned int modifiers) const {
    const unsigned int numLock = numLockMask();
    std::vector<unsigned int> variants;
    for (unsigned int lock : {0u, static_cast<unsigned int>(LockMask), numLock,
                              static_cast<unsigned int>(LockMask) | numLock}) {
        const unsigned int state = modifiers | lock;
        if (std::find(variants.begin(), variants.end(), state) == variants.end()) {
            variants.push_back(state);
        }
    }
    return variants;
}

bool X11HotKeys::grab(HotKey& hotKey) {
    auto keycode = keys_.keycodeFor(hotKey.virtualKey);
    if (!keycode) return false;
    Display* display = connection_.display();
    const std::vector<unsigned int> variants = lockVariants(hotKey.modifiers);
    connection_.clearError();
    for (unsigned int state : variants) {
        XGrabKey(display, *keycode, state, connection_.root(), False, GrabModeAsync, GrabModeAsync);
    }
    // Another client holding any variant answers BadAccess; then the combination is not
    // ours, and the variants that did succeed are given back.
    if (!connection_.checkedSync()) {
        for (unsigned int state : variants) {
            XUngrabKey(display, *keycode, state, connection_.root());
        }
        connection_.clearError();
        connection_.checkedSync();
        return false;
    }
    hotKey.grabbed = *keycode;
    hotKey.grabbedModifiers = std::move(variants);
    return true;
}

void X11HotKeys::ungrab(HotKey& hotKey) {
    if (hotKey.grabbed == 0 || !connection_.isOpen()) return;
    // Exactly what was grabbed: after a keymap change Num Lock may sit on another
    // modifier, and the variants grabbed under the old mapping must not stay behind.
    for (unsigned int state : hotKey.grabbedModifiers) {
        XUngrabKey(connection_.display(), hotKey.grabbed, state, connection_.root());
    }
    hotKey.grabbed = 0;
    hotKey.grabbedModifiers.clear();
}

void X11HotKeys::regrabAll() {
    // Only keys the new mapping moved are given up and taken again: between the two, a
    // press would go to the focused window, and the server announces a mapping change
    // whenever another keyboard device takes over, which leaves every key where it was.
    std::vector<HotKey*> moved;
    for (auto& [ref, hotKey] : hotKeys_) {
        auto keycode = keys_.keycodeFor(hotKey.virtualKey);
        if (hotKey.grabbed != 0 && keycode == hotKey.grabbed &&
            lockVariants(hotKey.modifiers) == hotKey.grabbedModifiers)
            continue;
        moved.push_back(&hotKey);
    }
    // All old grabs go before any new one is taken: a key may have moved onto another's
    // old keycode. A key that left the keymap stays registered and comes back with it.
    for (HotKey* hotKey : moved) ungrab(*hotKey);
    for (HotKey* hotKey : moved) grab(*hotKey);
    XFlush(connection_.display());
}

bool X11HotKeys::isAutoRepeat(KeyCode keycode, Time time) const {
    auto it = held_.find(keycode);
    if (it == held_.end()) return false;
    // The release of a grabbed key always comes to us; should one still be lost, a
    // press long after the last one is a new press, so the shortcut cannot stay dead.
    unsigned int delay = 660;
    unsigned int interval = 40;
    XkbGetAutoRepeatRate(connection_.display(), XkbUseCoreKbd, &delay, &interval);
    return time - it->second <= static_cast<Time>(delay) + interval;
}

void X11HotKeys::onEvent(const XEvent& event) {
    if (event.type == KeyRelease) {
        held_.erase(static_cast<KeyCode>(event.xkey.keycode));
        return;
    }
    if (event.type != KeyPress || pressed_.empty()) return;
    const XKeyEvent& key = event.xkey;
    const unsigned int state = key.state & relevantModifiers;
    for (const auto& [ref, hotKey] : hotKeys_) {
        if (hotKey.grabbed != 0 && hotKey.grabbed == key.keycode && hotKey.modifiers == state) {
            const bool repeat = isAutoRepeat(hotKey.grabbed, key.time);
            held_[hotKey.grabbed] = key.time;
            if (repeat) return;
            // A listener may unregister hot keys: keep what it needs before calling.
            const auto signature = hotKey.signature;
            const auto id = hotKey.id;
            pressed_.emit(signature, id);
            return;
        }
    }
}

}  // namespace kelvra::x11
