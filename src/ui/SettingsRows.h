#pragma once

#include <string>

#include "l10n/L10n.h"
#include "port/SettingsPage.h"

// Small builders for the rows of the settings pages.
namespace kelvra::rows {

inline port::SettingsRow note(std::string id, std::string title, std::string subtitle = {}) {
    port::SettingsRow r;
    r.id = std::move(id);
    r.title = std::move(title);
    r.subtitle = std::move(subtitle);
    return r;
}

inline port::SettingsRow heading(std::string id, std::string title) {
    auto r = note(std::move(id), std::move(title));
    r.heading = true;
    return r;
}

inline port::SettingsRow toggle(const L10n& l10n, std::string id, const std::string& titleKey,
                                bool on, const std::string& subtitleKey = {}) {
    auto r = note(std::move(id), l10n.string(titleKey),
                  subtitleKey.empty() ? "" : l10n.string(subtitleKey));
    r.control = port::SettingsControl::toggle;
    r.on = on;
    return r;
}

inline port::SettingsRow button(std::string id, std::string title, std::string buttonTitle) {
    auto r = note(std::move(id), std::move(title));
    r.control = port::SettingsControl::button;
    r.text = std::move(buttonTitle);
    return r;
}

}  // namespace kelvra::rows
