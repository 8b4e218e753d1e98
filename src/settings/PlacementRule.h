#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "base/ZoneID.h"
#include "settings/Uuid.h"

namespace kelvra {

// A home zone for an application's windows.
struct PlacementRule {
    enum class Trigger { launch, newWindow };
    enum class DisplayTarget { any, builtin, external };

    Uuid id;
    std::string appId;
    std::string appName;
    std::optional<ZoneID> zone;
    std::optional<Uuid> customLayoutID;
    std::optional<int> customZoneIndex;
    Trigger trigger = Trigger::launch;
    DisplayTarget display = DisplayTarget::any;
    bool enabled = true;

    friend bool operator==(const PlacementRule&, const PlacementRule&) = default;
};

// The stored raw strings of the enumerations (equal to the case names).
std::string_view rawValue(PlacementRule::Trigger trigger);
std::optional<PlacementRule::Trigger> triggerFromRaw(std::string_view raw);
std::string_view rawValue(PlacementRule::DisplayTarget display);
std::optional<PlacementRule::DisplayTarget> displayTargetFromRaw(std::string_view raw);

void to_json(nlohmann::json& j, const PlacementRule& r);
void from_json(const nlohmann::json& j, PlacementRule& r);

}  // namespace kelvra
