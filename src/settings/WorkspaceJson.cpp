#include <nlohmann/json.hpp>

#include "settings/JsonMembers.h"
#include "settings/Workspace.h"

namespace kelvra {

void to_json(nlohmann::json& j, const WorkspaceItem& item) {
    j = nlohmann::json{{"bundleID", item.appId},
                       {"appName", item.appName},
                       {"x", item.x},
                       {"y", item.y},
                       {"w", item.w},
                       {"h", item.h},
                       {"displayIndex", item.displayIndex}};
    if (item.title) j["title"] = *item.title;
    if (item.zone) j["zone"] = *item.zone;
}

void from_json(const nlohmann::json& j, WorkspaceItem& item) {
    namespace m = json_members;
    m::requireObject(j, "WorkspaceItem");
    WorkspaceItem out;
    out.appId = m::string(m::required(j, "bundleID"), "bundleID");
    out.appName = m::string(m::required(j, "appName"), "appName");
    if (auto* title = m::optional(j, "title")) out.title = m::string(*title, "title");
    if (auto* zone = m::optional(j, "zone")) out.zone = zone->get<ZoneID>();
    out.x = m::number(m::required(j, "x"), "x");
    out.y = m::number(m::required(j, "y"), "y");
    out.w = m::number(m::required(j, "w"), "w");
    out.h = m::number(m::required(j, "h"), "h");
    out.displayIndex = m::integer(m::required(j, "displayIndex"), "displayIndex");
    item = std::move(out);
}

void to_json(nlohmann::json& j, const Workspace& w) {
    j = nlohmann::json{{"id", w.id}, {"name", w.name}, {"items", w.items}};
}

void from_json(const nlohmann::json& j, Workspace& w) {
    namespace m = json_members;
    m::requireObject(j, "Workspace");
    Workspace out;
    out.id = m::required(j, "id").get<Uuid>();
    out.name = m::string(m::required(j, "name"), "name");
    const auto& items = m::required(j, "items");
    if (!items.is_array()) m::mistyped(items, "items", "an array");
    out.items = items.get<std::vector<WorkspaceItem>>();
    w = std::move(out);
}

}  // namespace kelvra
