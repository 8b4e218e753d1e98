// Minimal stand-in until the persistent store lands: in-memory defaults only.
#include "settings/AppSettings.h"

#include <memory>

#include "platform/port/Platform.h"

namespace kelvra {

namespace {
std::unique_ptr<AppSettings>& instance() {
    static std::unique_ptr<AppSettings> i;
    return i;
}
}  // namespace

AppSettings::AppSettings(port::UserDefaults& defaults) : defaults_(defaults) {}

AppSettings& AppSettings::shared() {
    auto& i = instance();
    if (!i) i = std::make_unique<AppSettings>(*platform().defaults);
    return *i;
}

void AppSettings::resetSharedForTesting() { instance().reset(); }

bool AppSettings::isExcluded(const std::optional<std::string>& bundleID) const {
    if (!bundleID) return false;
    for (const auto& app : excludedApps.get()) {
        if (app.bundleID == *bundleID) return true;
    }
    return false;
}

void AppSettings::applyLaunchAtLogin() {}
void AppSettings::persist() {}
void AppSettings::load() {}
void AppSettings::installHooks() {}

}  // namespace kelvra
