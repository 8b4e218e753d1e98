#include "settings/AppSettings.h"

#include <nlohmann/json.hpp>

#include "l10n/L10n.h"
#include "port/Platform.h"
#include "settings/StoredRecords.h"

namespace kelvra {

namespace {

bool readBool(port::UserDefaults& d, const char* key, bool fallback) {
    auto v = d.object(key);
    if (v && std::holds_alternative<bool>(*v)) return std::get<bool>(*v);
    return fallback;
}

double readNumber(port::UserDefaults& d, const char* key, double fallback) {
    auto v = d.object(key);
    if (v && std::holds_alternative<double>(*v)) return std::get<double>(*v);
    return fallback;
}

std::optional<std::string> readString(port::UserDefaults& d, const char* key) {
    auto v = d.object(key);
    if (v && std::holds_alternative<std::string>(*v)) return std::get<std::string>(*v);
    return std::nullopt;
}

// A stored record value that does not decode would be replaced by the default at
// the next save. Keep a copy under "<key>.damaged" (or "<key>.damaged-N" when an
// older, different copy is there) so that the user's records can still be
// recovered. A copy identical to one already kept is not made again.
void setAsideUndecodable(port::UserDefaults& d, const std::string& key,
                         const port::DefaultsValue& value) {
    for (int n = 1; n <= 100; ++n) {
        std::string backup = key + ".damaged";
        if (n > 1) backup += '-' + std::to_string(n);
        auto existing = d.object(backup);
        if (existing && *existing == value) return;
        if (!existing) {
            d.set(backup, value);
            logLine("stored \"" + key + "\" could not be read; using the default and keeping " +
                    "the stored value under \"" + backup + "\"");
            return;
        }
    }
    logLine("stored \"" + key + "\" could not be read; using the default");
}

// The JSON text of a stored record. A record written by hand as a plain JSON list can
// come back as a string list (an empty list, say): it is that list's text.
std::optional<port::Data> recordText(const port::DefaultsValue& value) {
    if (const auto* data = std::get_if<port::Data>(&value)) return *data;
    if (const auto* list = std::get_if<port::StringArray>(&value)) {
        std::string text = "[";
        for (const auto& s : *list) {
            if (text.size() > 1) text += ',';
            text +=
                nlohmann::json(s).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        }
        text += ']';
        return port::Data(text.begin(), text.end());
    }
    return std::nullopt;
}

template <class T>
T readRecords(port::UserDefaults& d, const char* key, T fallback) {
    auto v = d.object(key);
    if (!v) return fallback;
    if (auto text = recordText(*v)) {
        if (auto decoded = decodeStoredJson<T>(*text)) return std::move(*decoded);
    }
    setAsideUndecodable(d, key, *v);
    return fallback;
}

template <class T>
void writeRecords(port::UserDefaults& d, const char* key, const T& value) {
    // A value that cannot be encoded leaves the previous stored value in place.
    if (auto data = encodeStoredJson(value)) d.set(key, *data);
}

}  // namespace

AppSettings::AppSettings(port::UserDefaults& defaults) : defaults_(defaults) {
    load();
    installHooks();
}

bool AppSettings::isExcluded(const std::optional<std::string>& appId) const {
    if (!appId) return false;
    for (const auto& app : excludedApps.get()) {
        if (app.appId == *appId) return true;
    }
    return false;
}

void AppSettings::load() {
    auto& d = defaults_;
    loading_ = true;
    // Nothing is validated or clamped: a stored value outside the range the
    // settings window offers is used as it stands.
    launchAtLogin.setQuietly(readBool(d, "launchAtLogin", settingDefaults::launchAtLogin));
    showTrayIcon.setQuietly(readBool(d, "showMenuBarIcon", settingDefaults::showTrayIcon));
    crashReportingEnabled.setQuietly(
        readBool(d, "crashReportingEnabled", settingDefaults::crashReportingEnabled));
    languageCode.setQuietly(L10n::storedCode(d));
    dragSnapEnabled.setQuietly(readBool(d, "dragSnapEnabled", settingDefaults::dragSnapEnabled));
    cornerQuarterPriority.setQuietly(
        readBool(d, "cornerQuarterPriority", settingDefaults::cornerQuarterPriority));
    snapAssistEnabled.setQuietly(
        readBool(d, "snapAssistEnabled", settingDefaults::snapAssistEnabled));
    auto edge = readString(d, "topEdgeAction");
    topEdgeAction.setQuietly(
        edge ? topEdgeActionFromRaw(*edge).value_or(settingDefaults::topEdgeAction)
             : settingDefaults::topEdgeAction);
    overlayOpacity.setQuietly(readNumber(d, "overlayOpacity", settingDefaults::overlayOpacity));
    tilingEnabled.setQuietly(readBool(d, "tilingEnabled", settingDefaults::tilingEnabled));
    windowGap.setQuietly(readNumber(d, "windowGap", settingDefaults::windowGap));
    screenPadding.setQuietly(readNumber(d, "screenPadding", settingDefaults::screenPadding));
    minWindowWidth.setQuietly(readNumber(d, "minWindowWidth", settingDefaults::minWindowWidth));
    dividerDoubleClickReset.setQuietly(
        readBool(d, "dividerDoubleClickReset", settingDefaults::dividerDoubleClickReset));
    hasCompletedOnboarding.setQuietly(
        readBool(d, "hasCompletedOnboarding", settingDefaults::hasCompletedOnboarding));
    shortcuts.setQuietly(readRecords<ShortcutTable>(d, "shortcuts", KeyCombo::defaults()));
    customLayouts.setQuietly(readRecords<std::vector<CustomLayout>>(d, "customLayouts", {}));
    workspaces.setQuietly(readRecords<std::vector<Workspace>>(d, "workspaces", {}));
    placementRules.setQuietly(readRecords<std::vector<PlacementRule>>(d, "placementRules", {}));
    excludedApps.setQuietly(readRecords<std::vector<ExcludedApp>>(d, "excludedApps", {}));
    paused.setQuietly(false);
    loading_ = false;
}

void AppSettings::installHooks() {
    auto willChange = [this] { objectWillChange.emit(); };
    auto save = [this] { persist(); };
    auto hook = [&](auto& field) {
        field.setWillChange(willChange);
        field.setDidSet(save);
    };
    hook(showTrayIcon);
    hook(crashReportingEnabled);
    hook(dragSnapEnabled);
    hook(cornerQuarterPriority);
    hook(snapAssistEnabled);
    hook(topEdgeAction);
    hook(overlayOpacity);
    hook(tilingEnabled);
    hook(windowGap);
    hook(screenPadding);
    hook(minWindowWidth);
    hook(dividerDoubleClickReset);
    hook(shortcuts);
    hook(customLayouts);
    hook(workspaces);
    hook(placementRules);
    hook(excludedApps);
    hook(hasCompletedOnboarding);

    launchAtLogin.setWillChange(willChange);
    launchAtLogin.setDidSet([this] {
        persist();
        applyLaunchAtLogin();
    });
    // The interface language follows it through L10n::follow.
    hook(languageCode);
    // Never stored: observers still hear of the change.
    paused.setWillChange(willChange);
}

void AppSettings::applyLaunchAtLogin() {
    auto* items = platform().loginItems;
    std::string error;
    bool ok = launchAtLogin.get() ? items->registerMainApp(error) : items->unregisterMainApp(error);
    // The user's choice stands even when the login-item service refuses it.
    if (!ok) logLine("launch-at-login update failed: " + error);
}

void AppSettings::persist() {
    if (loading_) return;
    auto& d = defaults_;
    d.set("launchAtLogin", launchAtLogin.get());
    d.set("showMenuBarIcon", showTrayIcon.get());
    d.set("crashReportingEnabled", crashReportingEnabled.get());
    if (languageCode.get()) {
        d.set("languageCode", *languageCode.get());
    } else {
        d.remove("languageCode");
    }
    d.set("dragSnapEnabled", dragSnapEnabled.get());
    d.set("cornerQuarterPriority", cornerQuarterPriority.get());
    d.set("snapAssistEnabled", snapAssistEnabled.get());
    d.set("topEdgeAction", std::string(rawValue(topEdgeAction.get())));
    d.set("overlayOpacity", overlayOpacity.get());
    d.set("tilingEnabled", tilingEnabled.get());
    d.set("windowGap", windowGap.get());
    d.set("screenPadding", screenPadding.get());
    d.set("minWindowWidth", minWindowWidth.get());
    d.set("dividerDoubleClickReset", dividerDoubleClickReset.get());
    d.set("hasCompletedOnboarding", hasCompletedOnboarding.get());
    writeRecords(d, "shortcuts", shortcuts.get());
    writeRecords(d, "customLayouts", customLayouts.get());
    writeRecords(d, "workspaces", workspaces.get());
    writeRecords(d, "placementRules", placementRules.get());
    writeRecords(d, "excludedApps", excludedApps.get());
}

}  // namespace kelvra
