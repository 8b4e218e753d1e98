#include <nlohmann/json.hpp>

#include "settings/ExcludedApp.h"
#include "settings/JsonMembers.h"

namespace kelvra {

void to_json(nlohmann::json& j, const ExcludedApp& app) {
    j = nlohmann::json{{"bundleID", app.appId}, {"name", app.name}};
}

void from_json(const nlohmann::json& j, ExcludedApp& app) {
    namespace m = json_members;
    m::requireObject(j, "ExcludedApp");
    ExcludedApp out;
    out.appId = m::string(m::required(j, "bundleID"), "bundleID");
    out.name = m::string(m::required(j, "name"), "name");
    app = std::move(out);
}

}  // namespace kelvra
