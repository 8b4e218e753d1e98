#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "input/ShortcutCheck.h"
#include "port/SurfaceModels.h"
#include "settings/KeyCombo.h"

namespace kelvra {

class AppSettings;
class L10n;

// The onboarding page for a desktop where some of the shortcuts would do nothing: the
// set with the taken ones marked, and in one click a complete alternative set found free
// here, or the set kept as it is. Whichever the user picks, what stays unavailable is
// what the user now knows of, so a later start does not tell it again.
class OnboardingShortcutsPage {
  public:
    static constexpr const char* useAlternative = "keys:alternative";
    static constexpr const char* keep = "keys:keep";

    // Checks the table against this desktop; none when every shortcut in it is free.
    static std::unique_ptr<OnboardingShortcutsPage> ifNeeded(const ShortcutTable& table);

    void fill(port::OnboardingModel& model, const L10n& l10n) const;
    // Carries out the page's choice into the settings; false for an id not the page's.
    bool choose(const std::string& id, AppSettings& settings) const;

  private:
    ShortcutTable table_;
    std::map<std::string, ShortcutState> states_;
    std::optional<AlternativeShortcuts> alternative_;
};

}  // namespace kelvra
