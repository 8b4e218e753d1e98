#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "base/Rect.h"

namespace kelvra {

// The seventeen built-in zones, in declaration order (the order of allZoneIDs()).
enum class ZoneID {
    leftHalf,
    rightHalf,
    topHalf,
    bottomHalf,
    topLeftQuarter,
    topRightQuarter,
    bottomLeftQuarter,
    bottomRightQuarter,
    leftThird,
    centerThird,
    rightThird,
    leftTwoThirds,
    rightTwoThirds,
    centerTwoThirds,
    maximize,
    almostMaximize,
    center,
};

inline constexpr size_t zoneCount = 17;

const std::array<ZoneID, zoneCount>& allZoneIDs();
std::string_view rawValue(ZoneID zone);
std::optional<ZoneID> zoneFromRaw(std::string_view raw);

// The zones snap assist offers to fill after a window lands in `zone`, in order.
std::vector<ZoneID> snapAssistFillOrder(ZoneID zone);

// The frame of the zone inside `in` (normally a screen's visible frame), with `gap`
// between neighbouring zones and `padding` at the edges. Pure arithmetic, unrounded.
// Gives the null rectangle when the padded area is empty or not finite.
Rect frame(ZoneID zone, const Rect& in, double gap, double padding);

// JSON: the raw string. Decoding any other string throws nlohmann::json::other_error.
void to_json(nlohmann::json& j, ZoneID zone);
void from_json(const nlohmann::json& j, ZoneID& zone);

}  // namespace kelvra
