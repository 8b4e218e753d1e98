#include <nlohmann/json.hpp>

#include "settings/JsonMembers.h"
#include "settings/KeyCombo.h"

namespace kelvra {

void to_json(nlohmann::json& j, const KeyCombo& k) {
    j = nlohmann::json{{"keyCode", k.keyCode}, {"carbonModifiers", k.modifiers}};
}

void from_json(const nlohmann::json& j, KeyCombo& k) {
    namespace m = json_members;
    m::requireObject(j, "KeyCombo");
    KeyCombo out;
    out.keyCode = m::unsigned32(m::required(j, "keyCode"), "keyCode");
    out.modifiers = m::unsigned32(m::required(j, "carbonModifiers"), "carbonModifiers");
    k = out;
}

}  // namespace kelvra
