#include "input/TakenShortcutsAlert.h"

#include "l10n/L10n.h"
#include "port/Platform.h"

namespace kelvra {

namespace {

std::string joined(const std::vector<KeyCombo>& combos, const std::string& separator) {
    std::string text;
    for (const auto& combo : combos) {
        if (!text.empty()) text += separator;
        text += combo.displayName();
    }
    return text;
}

}  // namespace

void TakenShortcutsAlert::report(const std::vector<KeyCombo>& taken) {
    std::vector<KeyCombo> fresh;
    for (const auto& combo : taken) {
        if (logged_.insert({combo.keyCode, combo.modifiers}).second) fresh.push_back(combo);
    }
    if (!fresh.empty()) {
        logLine("shortcuts held by another program, they do nothing until it lets go: " +
                joined(fresh, ", "));
    }
    if (taken.empty() || alerted_) return;
    alerted_ = true;

    const auto& l = l10n_;
    port::AlertRequest alert;
    // Named together as the conflicting-managers alert names its programs.
    alert.messageText = format(l.string("taken.title"), {joined(taken, "、")});
    alert.informativeText = l.string("taken.body");
    alert.buttons = {l.string("taken.ok")};
    // Not from inside the registration: the alert waits for an answer while the
    // registered hot keys keep working.
    platform().runLoop->post([alert] { platform().alerts->runModal(alert); });
}

}  // namespace kelvra
