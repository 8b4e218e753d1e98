#pragma once

#include <set>
#include <string>
#include <vector>

#include "settings/KeyCombo.h"

namespace kelvra {

class L10n;

// Tells the user which shortcuts cannot work here (another program holds them, often the
// window manager; or the keymap gives them to the display server), so that a dead
// shortcut is explained instead of silently doing nothing. It never interrupts: the set
// last told is kept in the settings, and only a set with a combination not told before
// is told, once, as a desktop notification whose action opens the shortcuts tab (where
// no notification server runs, the tray's warning state says it). Each combination is
// logged the first time a run finds it unavailable.
class TakenShortcutsNotice {
  public:
    static constexpr const char* recordKey = "takenShortcutsTold";
    static constexpr const char* openShortcutsAction = "openShortcuts";

    explicit TakenShortcutsNotice(const L10n& l10n) : l10n_(l10n) {}

    // The combinations that could not be registered just now.
    void report(const std::vector<KeyCombo>& taken);
    // The user has just seen these (onboarding showed them): not news at the next report.
    static void remember(const std::vector<KeyCombo>& taken);

  private:
    const L10n& l10n_;
    std::set<std::pair<uint32_t, uint32_t>> logged_;
};

}  // namespace kelvra
