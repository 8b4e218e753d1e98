#pragma once

#include <set>
#include <string>
#include <vector>

#include "settings/KeyCombo.h"

namespace kelvra {

class L10n;

// Tells the user which shortcuts another program holds (the window manager, often:
// openbox's stock configuration binds Ctrl+Alt+arrows), so that a dead shortcut is
// explained instead of silently doing nothing. The alert comes once per run; each
// combination is logged the first time it is found taken.
class TakenShortcutsAlert {
  public:
    explicit TakenShortcutsAlert(const L10n& l10n) : l10n_(l10n) {}

    // The combinations that could not be registered just now.
    void report(const std::vector<KeyCombo>& taken);

    bool alerted() const { return alerted_; }

  private:
    const L10n& l10n_;
    bool alerted_ = false;
    std::set<std::pair<uint32_t, uint32_t>> logged_;
};

}  // namespace kelvra
