#include "geometry/SnapAction.h"

#include <nlohmann/json.hpp>

namespace kelvra {

namespace {

// Persisted as shortcut keys and passed as action names: the spelling is fixed.
constexpr std::array<std::string_view, snapActionCount> rawValues = {
    "snapLeftHalf",
    "snapRightHalf",
    "snapTopHalf",
    "snapBottomHalf",
    "snapTopLeft",
    "snapTopRight",
    "snapBottomLeft",
    "snapBottomRight",
    "snapLeftThird",
    "snapCenterThird",
    "snapRightThird",
    "snapLeftTwoThirds",
    "snapRightTwoThirds",
    "maximize",
    "almostMaximize",
    "center",
    "restore",
    "showHUD",
    "nextDisplay",
};

size_t index(SnapAction action) {
    return static_cast<size_t>(action);
}

}  // namespace

const std::array<SnapAction, snapActionCount>& allSnapActions() {
    static const std::array<SnapAction, snapActionCount> all = [] {
        std::array<SnapAction, snapActionCount> a{};
        for (size_t i = 0; i < snapActionCount; ++i) a[i] = static_cast<SnapAction>(i);
        return a;
    }();
    return all;
}

std::string_view rawValue(SnapAction action) {
    return rawValues.at(index(action));
}

std::optional<SnapAction> snapActionFromRaw(std::string_view raw) {
    for (size_t i = 0; i < snapActionCount; ++i) {
        if (rawValues[i] == raw) return static_cast<SnapAction>(i);
    }
    return std::nullopt;
}

std::optional<ZoneID> zone(SnapAction action) {
    using enum SnapAction;
    switch (action) {
        case snapLeftHalf:
            return ZoneID::leftHalf;
        case snapRightHalf:
            return ZoneID::rightHalf;
        case snapTopHalf:
            return ZoneID::topHalf;
        case snapBottomHalf:
            return ZoneID::bottomHalf;
        case snapTopLeft:
            return ZoneID::topLeftQuarter;
        case snapTopRight:
            return ZoneID::topRightQuarter;
        case snapBottomLeft:
            return ZoneID::bottomLeftQuarter;
        case snapBottomRight:
            return ZoneID::bottomRightQuarter;
        case snapLeftThird:
            return ZoneID::leftThird;
        case snapCenterThird:
            return ZoneID::centerThird;
        case snapRightThird:
            return ZoneID::rightThird;
        case snapLeftTwoThirds:
            return ZoneID::leftTwoThirds;
        case snapRightTwoThirds:
            return ZoneID::rightTwoThirds;
        case maximize:
            return ZoneID::maximize;
        case almostMaximize:
            return ZoneID::almostMaximize;
        case center:
            return ZoneID::center;
        case restore:
        case showZonePicker:
        case nextDisplay:
            return std::nullopt;
    }
    return std::nullopt;
}

void to_json(nlohmann::json& j, SnapAction action) {
    j = std::string(rawValue(action));
}

void from_json(const nlohmann::json& j, SnapAction& action) {
    const auto& raw = j.get_ref<const std::string&>();
    auto parsed = snapActionFromRaw(raw);
    if (!parsed) {
        throw nlohmann::json::other_error::create(501, "unknown action \"" + raw + "\"", &j);
    }
    action = *parsed;
}

}  // namespace kelvra
