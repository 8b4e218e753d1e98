#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

namespace kelvra {

// An application that is never snapped.
struct ExcludedApp {
    std::string appId;
    std::string name;
    friend bool operator==(const ExcludedApp&, const ExcludedApp&) = default;
};

void to_json(nlohmann::json& j, const ExcludedApp& app);
void from_json(const nlohmann::json& j, ExcludedApp& app);

}  // namespace kelvra
