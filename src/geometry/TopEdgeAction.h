#pragma once

#include <array>
#include <optional>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace kelvra {

// What dragging a window to the top edge of a screen does.
enum class TopEdgeAction { off, topHalf, maximize };

const std::array<TopEdgeAction, 3>& allTopEdgeActions();
std::string_view rawValue(TopEdgeAction action);
std::optional<TopEdgeAction> topEdgeActionFromRaw(std::string_view raw);

void to_json(nlohmann::json& j, TopEdgeAction action);
void from_json(const nlohmann::json& j, TopEdgeAction& action);

}  // namespace kelvra
