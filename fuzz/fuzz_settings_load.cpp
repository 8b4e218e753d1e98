// Feeds arbitrary bytes as the settings file and loads every preference from it, as a
// start of the program does: each key in any kind, records stored as data, as string
// lists or as plain JSON, undecodable records set aside. What loads must save, go
// through the file again and load to the same preferences.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string_view>

#include "backends/xdg/DefaultsFileFormat.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"

namespace {

using namespace kelvra;

class MemoryDefaults final : public port::UserDefaults {
  public:
    std::optional<port::DefaultsValue> object(const std::string& key) override {
        auto it = values.find(key);
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    void set(const std::string& key, const port::DefaultsValue& value) override {
        values[key] = value;
    }
    void remove(const std::string& key) override { values.erase(key); }
    std::map<std::string, port::DefaultsValue> values;
};

// Setting aside a damaged record logs a line; thousands a second would drown the run.
class QuietLog final : public port::Log {
  public:
    void line(const std::string&) override {}
};

bool load(std::string_view content, MemoryDefaults& into) {
    auto entries = xdg::parseDomainFile(content);
    if (!entries) return false;
    for (const auto& [key, json] : *entries) {
        if (auto value = xdg::decodeDefaultsValue(json)) into.set(key, *value);
    }
    return true;
}

bool same(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool same(AppSettings& a, AppSettings& b) {
    return a.launchAtLogin.get() == b.launchAtLogin.get() &&
           a.showTrayIcon.get() == b.showTrayIcon.get() &&
           a.crashReportingEnabled.get() == b.crashReportingEnabled.get() &&
           a.languageCode.get() == b.languageCode.get() &&
           a.dragSnapEnabled.get() == b.dragSnapEnabled.get() &&
           a.cornerQuarterPriority.get() == b.cornerQuarterPriority.get() &&
           a.snapAssistEnabled.get() == b.snapAssistEnabled.get() &&
           a.topEdgeAction.get() == b.topEdgeAction.get() &&
           same(a.overlayOpacity.get(), b.overlayOpacity.get()) &&
           a.tilingEnabled.get() == b.tilingEnabled.get() &&
           same(a.windowGap.get(), b.windowGap.get()) &&
           same(a.screenPadding.get(), b.screenPadding.get()) &&
           same(a.minWindowWidth.get(), b.minWindowWidth.get()) &&
           a.dividerDoubleClickReset.get() == b.dividerDoubleClickReset.get() &&
           a.shortcuts.get() == b.shortcuts.get() &&
           a.customLayouts.get() == b.customLayouts.get() &&
           a.workspaces.get() == b.workspaces.get() &&
           a.placementRules.get() == b.placementRules.get() &&
           a.excludedApps.get() == b.excludedApps.get() &&
           a.hasCompletedOnboarding.get() == b.hasCompletedOnboarding.get();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietLog log;
    static const bool installed = [] {
        Platform quiet;
        quiet.log = &log;
        installPlatform(quiet);
        return true;
    }();
    (void)installed;

    MemoryDefaults stored;
    if (!load(std::string_view(reinterpret_cast<const char*>(data), size), stored)) return 0;
    AppSettings first(stored);
    first.persist();

    xdg::DomainEntries written;
    for (const auto& [key, value] : stored.values) written[key] = xdg::encodeDefaultsValue(value);
    MemoryDefaults reread;
    if (!load(xdg::serializeDomainFile(written), reread)) std::abort();
    AppSettings second(reread);
    if (!same(first, second)) std::abort();
    return 0;
}
