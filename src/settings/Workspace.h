#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "base/ZoneID.h"
#include "settings/Uuid.h"

namespace kelvra {

// One recorded window of a workspace.
struct WorkspaceItem {
    std::string appId;
    std::string appName;
    std::optional<std::string> title;
    std::optional<ZoneID> zone;
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;
    int displayIndex = 0;

    friend bool operator==(const WorkspaceItem&, const WorkspaceItem&) = default;
};

// A named snapshot of where the user's windows are.
struct Workspace {
    Uuid id;
    std::string name;
    std::vector<WorkspaceItem> items;

    friend bool operator==(const Workspace&, const Workspace&) = default;
};

void to_json(nlohmann::json& j, const WorkspaceItem& item);
void from_json(const nlohmann::json& j, WorkspaceItem& item);
void to_json(nlohmann::json& j, const Workspace& w);
void from_json(const nlohmann::json& j, Workspace& w);

}  // namespace kelvra
