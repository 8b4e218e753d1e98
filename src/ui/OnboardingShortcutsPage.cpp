#include "ui/OnboardingShortcutsPage.h"

#include <algorithm>

#include "input/TakenShortcutsNotice.h"
#include "l10n/DisplayNames.h"
#include "l10n/L10n.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"

namespace kelvra {

std::unique_ptr<OnboardingShortcutsPage> OnboardingShortcutsPage::ifNeeded(
    const ShortcutTable& table) {
    auto states = checkShortcuts(table);
    if (std::all_of(states.begin(), states.end(),
                    [](const auto& entry) { return entry.second == ShortcutState::free; }))
        return nullptr;
    auto page = std::make_unique<OnboardingShortcutsPage>();
    page->table_ = table;
    page->states_ = std::move(states);
    page->alternative_ = freeAlternativeShortcuts();
    logLine("some shortcuts do nothing on this desktop; " +
            (page->alternative_ ? "offering " + page->alternative_->modifiers + " instead"
                                : std::string("no complete free set found")));
    return page;
}

void OnboardingShortcutsPage::fill(port::OnboardingModel& m, const L10n& l) const {
    m.title = l.string("onb.keysTitle");
    m.body = l.string("onb.keysBody");
    if (alternative_)
        m.body += " " + format(l.string("onb.keysAltBody"), {alternative_->modifiers});
    else
        m.body += " " + l.string("onb.keysNoAlt");
    // In the order the settings list the actions.
    for (SnapAction action : allSnapActions()) {
        const std::string name(rawValue(action));
        auto combo = table_.find(name);
        auto state = states_.find(name);
        if (combo == table_.end() || state == states_.end()) continue;
        std::string what = label(action, l);
        if (state->second == ShortcutState::taken)
            what += " — " + l.string("onb.keyTaken");
        else if (state->second == ShortcutState::serverAction)
            what += " — " + l.string("onb.keyServer");
        m.examples.emplace_back(combo->second.displayName(), what);
    }
    m.buttons.clear();
    if (alternative_) {
        port::MenuItem b;
        b.id = useAlternative;
        b.title = format(l.string("onb.keysUseAlt"), {alternative_->modifiers});
        m.buttons.push_back(b);
    }
    port::MenuItem b;
    b.id = keep;
    b.title = l.string("onb.keysKeep");
    m.buttons.push_back(b);
}

bool OnboardingShortcutsPage::choose(const std::string& id, AppSettings& settings) const {
    if ((id != useAlternative || !alternative_) && id != keep) return false;
    const ShortcutTable table = id == keep ? table_ : withAlternative(table_, *alternative_);
    std::vector<KeyCombo> unavailable;
    for (const auto& [name, combo] : table) {
        auto state = states_.find(name);
        const bool unchanged = table_.count(name) && table_.at(name) == combo;
        if (unchanged && state != states_.end() && state->second != ShortcutState::free &&
            std::find(unavailable.begin(), unavailable.end(), combo) == unavailable.end())
            unavailable.push_back(combo);
    }
    if (id != keep) settings.shortcuts.set(table);
    TakenShortcutsNotice::remember(unavailable);
    return true;
}

}  // namespace kelvra
