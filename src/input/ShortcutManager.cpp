#include "input/ShortcutManager.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "port/Platform.h"

namespace kelvra {

ShortcutManager::ShortcutManager(const L10n& l10n) : takenNotice_(l10n) {}

ShortcutManager::~ShortcutManager() {
    // Queued deliveries and later key presses find the manager gone.
    lifetime_.end();
    // System-wide grabs must not outlive their owner.
    if (!hotKeyRefs_.empty()) unregisterAll();
}

void ShortcutManager::registerShortcuts(const ShortcutTable& shortcuts) {
    unregisterAll();
    auto& hotKeys = *platform().hotKeys;
    if (!pressed_.active()) {
        // The signature is not compared: the listener only ever hears our own hot keys.
        pressed_ = hotKeys.onPressed(
            lifetime_.guard([this](uint32_t /*signature*/, uint32_t id) { handle(id); }));
    }
    // A backend may let one client grab the same combination twice; the first name
    // in table order keeps it so that one press never fires two actions.
    std::vector<KeyCombo> taken;
    std::vector<KeyCombo> heldElsewhere;
    auto unavailable = [&heldElsewhere](const KeyCombo& combo) {
        if (std::find(heldElsewhere.begin(), heldElsewhere.end(), combo) == heldElsewhere.end())
            heldElsewhere.push_back(combo);
    };
    uint32_t id = 1;
    for (const auto& [name, combo] : shortcuts) {
        const uint32_t thisId = id++;
        if (std::find(taken.begin(), taken.end(), combo) != taken.end()) continue;
        // A grab would succeed, but the server acts on the press first (it may end the
        // session): the shortcut cannot work and must not invite the press.
        if (hotKeys.isServerAction(combo.keyCode, combo.modifiers)) {
            unavailable(combo);
            continue;
        }
        auto ref = hotKeys.registerHotKey(combo.keyCode, combo.modifiers, signature, thisId);
        if (!ref) {
            // Held elsewhere: this shortcut does not work, the others do.
            unavailable(combo);
            continue;
        }
        hotKeyRefs_.push_back(*ref);
        idToAction_[thisId] = name;
        taken.push_back(combo);
    }
    takenNotice_.report(heldElsewhere);
    onHeldElsewhere.emit(heldElsewhere);
}

void ShortcutManager::unregisterAll() {
    if (!hotKeyRefs_.empty()) {
        auto& hotKeys = *platform().hotKeys;
        for (auto ref : hotKeyRefs_) hotKeys.unregisterHotKey(ref);
    }
    hotKeyRefs_.clear();
    idToAction_.clear();
}

void ShortcutManager::handle(uint32_t id) {
    auto it = idToAction_.find(id);
    if (it == idToAction_.end()) return;
    // Never deliver from inside the key handler: the action may re-register hot keys.
    platform().runLoop->post(lifetime_.guard([this, name = it->second] { onAction.emit(name); }));
}

}  // namespace kelvra
