#include "input/TakenShortcutsNotice.h"

#include <algorithm>

#include "l10n/L10n.h"
#include "port/Platform.h"

namespace kelvra {

namespace {

std::vector<std::string> names(const std::vector<KeyCombo>& combos) {
    std::vector<std::string> out;
    for (const auto& combo : combos) out.push_back(combo.displayName());
    return out;
}

// Stored by key code and modifiers: display names follow the keyboard layout.
std::string encoded(const KeyCombo& combo) {
    return std::to_string(combo.keyCode) + ":" + std::to_string(combo.modifiers);
}

port::StringArray encoded(const std::vector<KeyCombo>& combos) {
    port::StringArray out;
    for (const auto& combo : combos) out.push_back(encoded(combo));
    std::sort(out.begin(), out.end());
    return out;
}

port::StringArray told() {
    auto value = platform().defaults->object(TakenShortcutsNotice::recordKey);
    const auto* list = value ? std::get_if<port::StringArray>(&*value) : nullptr;
    return list ? *list : port::StringArray{};
}

}  // namespace

void TakenShortcutsNotice::remember(const std::vector<KeyCombo>& taken) {
    auto now = encoded(taken);
    if (now != told()) platform().defaults->set(recordKey, now);
}

void TakenShortcutsNotice::report(const std::vector<KeyCombo>& taken) {
    std::vector<KeyCombo> fresh;
    for (const auto& combo : taken) {
        if (logged_.insert({combo.keyCode, combo.modifiers}).second) fresh.push_back(combo);
    }
    if (!fresh.empty()) {
        std::string text;
        for (const auto& name : names(fresh)) text += (text.empty() ? "" : ", ") + name;
        logLine("shortcuts held by another program or the keymap, they do nothing: " + text);
    }

    const auto before = told();
    const auto now = encoded(taken);
    if (now == before) return;
    remember(taken);
    const bool news = std::any_of(now.begin(), now.end(), [&before](const std::string& combo) {
        return std::find(before.begin(), before.end(), combo) == before.end();
    });
    if (!news) return;

    const auto& l = l10n_;
    port::Notification notification;
    notification.title = format(l.string("taken.title"), {l.list(names(taken))});
    notification.body = l.string("taken.body");
    notification.actions = {{openShortcutsAction, l.string("taken.open")}};
    logLine("told: " + notification.title);
    if (!platform().notifications->show(notification))
        logLine("no notification server answers; the tray icon tells instead");
}

}  // namespace kelvra
