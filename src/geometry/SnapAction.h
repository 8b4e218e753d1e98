#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "base/ZoneID.h"

namespace kelvra {

// What a shortcut or menu item can trigger, in declaration order.
enum class SnapAction {
    snapLeftHalf,
    snapRightHalf,
    snapTopHalf,
    snapBottomHalf,
    snapTopLeft,
    snapTopRight,
    snapBottomLeft,
    snapBottomRight,
    snapLeftThird,
    snapCenterThird,
    snapRightThird,
    snapLeftTwoThirds,
    snapRightTwoThirds,
    maximize,
    almostMaximize,
    center,
    restore,
    showZonePicker,
    nextDisplay,
};

inline constexpr size_t snapActionCount = 19;

const std::array<SnapAction, snapActionCount>& allSnapActions();
std::string_view rawValue(SnapAction action);
std::optional<SnapAction> snapActionFromRaw(std::string_view raw);

// The zone the action snaps to; none for restore, showZonePicker and nextDisplay.
std::optional<ZoneID> zone(SnapAction action);

void to_json(nlohmann::json& j, SnapAction action);
void from_json(const nlohmann::json& j, SnapAction& action);

}  // namespace kelvra
