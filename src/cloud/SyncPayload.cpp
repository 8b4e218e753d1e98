#include "cloud/SyncPayload.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "settings/AppSettings.h"
#include "settings/StoredRecords.h"

namespace kelvra {

namespace {

struct BadRecord {};
struct TooDeep {};
// The blob nests five levels; the limit keeps hostile data from the parser's recursion.
constexpr int maxDepth = 32;

// The records' own decoders, with the checks the settings store applies to them.
template <class T>
T record(const nlohmann::json& j) {
    std::string text = j.dump();
    auto value = decodeStoredJson<T>(port::Data(text.begin(), text.end()));
    if (!value) throw BadRecord{};
    return *value;
}

template <class T>
nlohmann::json recordJson(const T& value) {
    auto data = encodeStoredJson(value);
    if (!data) throw BadRecord{};
    return nlohmann::json::parse(data->begin(), data->end());
}

}  // namespace

SyncPayload SyncPayload::from(const AppSettings& s) {
    SyncPayload p;
    p.dragSnapEnabled = s.dragSnapEnabled();
    p.cornerQuarterPriority = s.cornerQuarterPriority();
    p.topEdgeAction = s.topEdgeAction();
    p.overlayOpacity = s.overlayOpacity();
    p.tilingEnabled = s.tilingEnabled();
    p.windowGap = s.windowGap();
    p.screenPadding = s.screenPadding();
    p.minWindowWidth = s.minWindowWidth();
    p.dividerDoubleClickReset = s.dividerDoubleClickReset();
    p.showTrayIcon = s.showTrayIcon();
    p.languageCode = s.languageCode();
    p.shortcuts = s.shortcuts();
    p.customLayouts = s.customLayouts();
    p.excludedApps = s.excludedApps();
    return p;
}

void SyncPayload::apply(AppSettings& s) const {
    s.dragSnapEnabled.set(dragSnapEnabled);
    s.cornerQuarterPriority.set(cornerQuarterPriority);
    s.topEdgeAction.set(topEdgeAction);
    s.overlayOpacity.set(overlayOpacity);
    s.tilingEnabled.set(tilingEnabled);
    s.windowGap.set(windowGap);
    s.screenPadding.set(screenPadding);
    s.minWindowWidth.set(minWindowWidth);
    s.dividerDoubleClickReset.set(dividerDoubleClickReset);
    s.showTrayIcon.set(showTrayIcon);
    s.languageCode.set(languageCode);  // the store switches the interface language
    s.shortcuts.set(shortcuts);
    s.customLayouts.set(customLayouts);
    s.excludedApps.set(excludedApps);
}

std::string SyncPayload::blob() const {
    try {
        // nlohmann's objects are ordered maps: the keys come out sorted.
        nlohmann::json j = {
            {"dragSnapEnabled", dragSnapEnabled},
            {"cornerQuarterPriority", cornerQuarterPriority},
            {"topEdgeAction", topEdgeAction},
            {"overlayOpacity", overlayOpacity},
            {"tilingEnabled", tilingEnabled},
            {"windowGap", windowGap},
            {"screenPadding", screenPadding},
            {"minWindowWidth", minWindowWidth},
            {"dividerDoubleClickReset", dividerDoubleClickReset},
            {"showMenuBarIcon", showTrayIcon},
            {"shortcuts", recordJson(shortcuts)},
            {"customLayouts", recordJson(customLayouts)},
            {"excludedApps", recordJson(excludedApps)},
        };
        if (languageCode) j["languageCode"] = *languageCode;
        return j.dump();
    } catch (const BadRecord&) {
    } catch (const nlohmann::json::exception&) {
    }
    return {};
}

std::optional<SyncPayload> SyncPayload::decode(const std::string& blob) {
    if (blob.size() > maxStoredJsonSize) return std::nullopt;
    try {
        auto j = nlohmann::json::parse(
            blob, [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
                if (depth > maxDepth) throw TooDeep{};
                return true;
            });
        if (!j.is_object()) return std::nullopt;
        auto boolean = [&](const char* key) { return j.at(key).get<bool>(); };
        auto number = [&](const char* key) {
            const auto& v = j.at(key);
            // The parser turns 1e400 into infinity, which no JSON can carry back.
            if (!v.is_number() || !std::isfinite(v.get<double>())) throw BadRecord{};
            return v.get<double>();
        };
        SyncPayload p;
        p.dragSnapEnabled = boolean("dragSnapEnabled");
        p.cornerQuarterPriority = boolean("cornerQuarterPriority");
        p.topEdgeAction = j.at("topEdgeAction").get<TopEdgeAction>();
        p.overlayOpacity = number("overlayOpacity");
        p.tilingEnabled = boolean("tilingEnabled");
        p.windowGap = number("windowGap");
        p.screenPadding = number("screenPadding");
        p.minWindowWidth = number("minWindowWidth");
        p.dividerDoubleClickReset = boolean("dividerDoubleClickReset");
        p.showTrayIcon = boolean("showMenuBarIcon");
        if (auto it = j.find("languageCode"); it != j.end() && !it->is_null()) {
            p.languageCode = it->get<std::string>();
        }
        p.shortcuts = record<ShortcutTable>(j.at("shortcuts"));
        p.customLayouts = record<std::vector<CustomLayout>>(j.at("customLayouts"));
        p.excludedApps = record<std::vector<ExcludedApp>>(j.at("excludedApps"));
        return p;
    } catch (const BadRecord&) {
    } catch (const TooDeep&) {
    } catch (const nlohmann::json::exception&) {
    }
    return std::nullopt;
}

}  // namespace kelvra
