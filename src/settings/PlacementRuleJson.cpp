#include <nlohmann/json.hpp>

#include "settings/JsonMembers.h"
#include "settings/PlacementRule.h"

namespace kelvra {

std::string_view rawValue(PlacementRule::Trigger trigger) {
    switch (trigger) {
        case PlacementRule::Trigger::launch:
            return "launch";
        case PlacementRule::Trigger::newWindow:
            return "newWindow";
    }
    return "launch";
}

std::optional<PlacementRule::Trigger> triggerFromRaw(std::string_view raw) {
    if (raw == "launch") return PlacementRule::Trigger::launch;
    if (raw == "newWindow") return PlacementRule::Trigger::newWindow;
    return std::nullopt;
}

std::string_view rawValue(PlacementRule::DisplayTarget display) {
    switch (display) {
        case PlacementRule::DisplayTarget::any:
            return "any";
        case PlacementRule::DisplayTarget::builtin:
            return "builtin";
        case PlacementRule::DisplayTarget::external:
            return "external";
    }
    return "any";
}

std::optional<PlacementRule::DisplayTarget> displayTargetFromRaw(std::string_view raw) {
    if (raw == "any") return PlacementRule::DisplayTarget::any;
    if (raw == "builtin") return PlacementRule::DisplayTarget::builtin;
    if (raw == "external") return PlacementRule::DisplayTarget::external;
    return std::nullopt;
}

void to_json(nlohmann::json& j, const PlacementRule& r) {
    j = nlohmann::json{{"id", r.id},
                       {"bundleID", r.appId},
                       {"appName", r.appName},
                       {"trigger", rawValue(r.trigger)},
                       {"display", rawValue(r.display)},
                       {"enabled", r.enabled}};
    if (r.zone) j["zone"] = *r.zone;
    if (r.customLayoutID) j["customLayoutID"] = *r.customLayoutID;
    if (r.customZoneIndex) j["customZoneIndex"] = *r.customZoneIndex;
}

void from_json(const nlohmann::json& j, PlacementRule& r) {
    namespace m = json_members;
    m::requireObject(j, "PlacementRule");
    PlacementRule out;
    out.id = m::required(j, "id").get<Uuid>();
    out.appId = m::string(m::required(j, "bundleID"), "bundleID");
    out.appName = m::string(m::required(j, "appName"), "appName");
    if (auto* zone = m::optional(j, "zone")) out.zone = zone->get<ZoneID>();
    if (auto* layout = m::optional(j, "customLayoutID")) out.customLayoutID = layout->get<Uuid>();
    if (auto* index = m::optional(j, "customZoneIndex")) {
        out.customZoneIndex = m::integer(*index, "customZoneIndex");
    }
    const auto& trigger = m::required(j, "trigger");
    auto t = triggerFromRaw(m::string(trigger, "trigger"));
    if (!t) throw nlohmann::json::other_error::create(501, "unknown trigger", &trigger);
    out.trigger = *t;
    const auto& display = m::required(j, "display");
    auto d = displayTargetFromRaw(m::string(display, "display"));
    if (!d) throw nlohmann::json::other_error::create(501, "unknown display target", &display);
    out.display = *d;
    out.enabled = m::boolean(m::required(j, "enabled"), "enabled");
    r = std::move(out);
}

}  // namespace kelvra
