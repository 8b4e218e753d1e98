#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/LifetimeGuard.h"
#include "base/Signal.h"
#include "input/TakenShortcutsNotice.h"
#include "port/HotKeys.h"
#include "settings/KeyCombo.h"

namespace kelvra {

// Registers the shortcut table as system-wide hot keys and reports the action name
// of a pressed hot key, always through a hop onto the main queue.
class ShortcutManager {
  public:
    static constexpr uint32_t signature = 0x4B4C5652;  // 'KLVR'

    explicit ShortcutManager(const L10n& l10n);
    ~ShortcutManager();

    // Replaces every hot key registered before by the table.
    // `register` is a C++ keyword, hence the longer name.
    void registerShortcuts(const ShortcutTable& shortcuts);
    void unregisterAll();

    // The action name of a pressed hot key, on the main queue.
    Signal<std::string> onAction;
    // After each registration: the combinations another program holds or the keymap gives
    // the display server (often none). Neither kind is registered.
    Signal<std::vector<KeyCombo>> onHeldElsewhere;

    // The action names registered now, by hot-key identifier.
    const std::map<uint32_t, std::string>& idToAction() const { return idToAction_; }

  private:
    void handle(uint32_t id);

    Subscription pressed_;
    TakenShortcutsNotice takenNotice_;
    std::vector<port::HotKeyRef> hotKeyRefs_;
    std::map<uint32_t, std::string> idToAction_;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
