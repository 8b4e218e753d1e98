#include <nlohmann/json.hpp>

#include "settings/CustomLayout.h"
#include "settings/JsonMembers.h"

namespace kelvra {

void to_json(nlohmann::json& j, const GridZone& z) {
    j = nlohmann::json{
        {"col", z.col}, {"row", z.row}, {"colSpan", z.colSpan}, {"rowSpan", z.rowSpan}};
}

void from_json(const nlohmann::json& j, GridZone& z) {
    namespace m = json_members;
    m::requireObject(j, "GridZone");
    GridZone out;
    out.col = m::integer(m::required(j, "col"), "col");
    out.row = m::integer(m::required(j, "row"), "row");
    out.colSpan = m::integer(m::required(j, "colSpan"), "colSpan");
    out.rowSpan = m::integer(m::required(j, "rowSpan"), "rowSpan");
    z = out;
}

void to_json(nlohmann::json& j, const CustomLayout& l) {
    j = nlohmann::json{{"id", l.id},
                       {"name", l.name},
                       {"columns", l.columns},
                       {"rows", l.rows},
                       {"zones", l.zones}};
}

void from_json(const nlohmann::json& j, CustomLayout& l) {
    namespace m = json_members;
    m::requireObject(j, "CustomLayout");
    CustomLayout out;
    out.id = m::required(j, "id").get<Uuid>();
    out.name = m::string(m::required(j, "name"), "name");
    out.columns = m::integer(m::required(j, "columns"), "columns");
    out.rows = m::integer(m::required(j, "rows"), "rows");
    const auto& zones = m::required(j, "zones");
    if (!zones.is_array()) m::mistyped(zones, "zones", "an array");
    out.zones = zones.get<std::vector<GridZone>>();
    l = std::move(out);
}

}  // namespace kelvra
