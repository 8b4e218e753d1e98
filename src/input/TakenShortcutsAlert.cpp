#include "input/TakenShortcutsAlert.h"

#include "l10n/L10n.h"
#include "port/Platform.h"

namespace kelvra {

namespace {

std::vector<std::string> names(const std::vector<KeyCombo>& combos) {
    std::vector<std::string> out;
    for (const auto& combo : combos) out.push_back(combo.displayName());
    return out;
}

std::string logged(const std::vector<KeyCombo>& combos) {
    std::string text;
    for (const auto& name : names(combos)) text += (text.empty() ? "" : ", ") + name;
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
                logged(fresh));
    }
    if (taken.empty() || alerted_) return;
    alerted_ = true;

    const auto& l = l10n_;
    port::AlertRequest alert;
    alert.messageText = format(l.string("taken.title"), {l.list(names(taken))});
    alert.informativeText = l.string("taken.body");
    alert.buttons = {l.string("common.ok")};
    // Not from inside the registration: the alert waits for an answer while the
    // registered hot keys keep working.
    platform().runLoop->post([alert] { platform().alerts->runModal(alert); });
}

}  // namespace kelvra
