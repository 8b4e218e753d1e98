#pragma once

#include <string>

#include "base/Signal.h"
#include "base/Subscription.h"

namespace kelvra {

class AppSettings;

// Kelvra's drag snapping and the window manager's own edge snapping answer the same drag.
// Never both: while the manager's is on, Kelvra steps aside (no preview, no snap) and
// offers to switch the manager's off; what the manager had is remembered and put back
// when the user asks or switches Kelvra's drag snapping off. The manager's settings are
// changed only on the user's word.
class ManagerSnappingConflict {
  public:
    enum class Situation {
        none,         // the manager does not snap (or has nothing Kelvra knows of)
        bothOn,       // the manager snaps: Kelvra's drag snapping steps aside
        switchedOff,  // Kelvra switched the manager's off and will put it back
        unreadable,   // the manager's settings cannot be read: nothing is changed
    };

    explicit ManagerSnappingConflict(AppSettings& settings);
    ManagerSnappingConflict(const ManagerSnappingConflict&) = delete;
    ManagerSnappingConflict& operator=(const ManagerSnappingConflict&) = delete;

    // Reads the manager's settings again (they may change behind Kelvra's back);
    // announces a change.
    void refresh();
    Situation situation() const { return situation_; }
    // "KWin"; empty when the manager has no edge snapping Kelvra knows of.
    std::string managerName() const;
    // Whether Kelvra's drag snapping must not answer drags now.
    bool stepsAside() const;

    // The user's yes: the manager's edge snapping off, its values remembered. False (and
    // a log line) when its settings could not be written; nothing changed then.
    bool switchManagerOff();
    // Puts back what the manager had; false when that could not be written.
    bool restoreManager();

    Signal<> changed;

  private:
    AppSettings& settings_;
    Situation situation_ = Situation::none;
    Subscription dragSnap_;
};

}  // namespace kelvra
