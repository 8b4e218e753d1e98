#include "geometry/TopEdgeAction.h"

#include <nlohmann/json.hpp>
#include <string>

namespace kelvra {

namespace {
constexpr std::array<std::string_view, 3> rawValues = {"off", "topHalf", "maximize"};
}

const std::array<TopEdgeAction, 3>& allTopEdgeActions() {
    static const std::array<TopEdgeAction, 3> all = {TopEdgeAction::off, TopEdgeAction::topHalf,
                                                     TopEdgeAction::maximize};
    return all;
}

std::string_view rawValue(TopEdgeAction action) {
    return rawValues.at(static_cast<size_t>(action));
}

std::optional<TopEdgeAction> topEdgeActionFromRaw(std::string_view raw) {
    for (size_t i = 0; i < rawValues.size(); ++i) {
        if (rawValues[i] == raw) return static_cast<TopEdgeAction>(i);
    }
    return std::nullopt;
}

void to_json(nlohmann::json& j, TopEdgeAction action) {
    j = std::string(rawValue(action));
}

void from_json(const nlohmann::json& j, TopEdgeAction& action) {
    const auto& raw = j.get_ref<const std::string&>();
    auto parsed = topEdgeActionFromRaw(raw);
    if (!parsed) {
        throw nlohmann::json::other_error::create(501, "unknown top-edge action \"" + raw + "\"",
                                                  &j);
    }
    action = *parsed;
}

}  // namespace kelvra
