#include "app/Action.h"

namespace kelvra {

std::optional<Action> parseAction(std::string_view name) {
    if (auto action = snapActionFromRaw(name)) return Action(*action);
    constexpr std::string_view prefix = "workspace:";
    if (name.starts_with(prefix)) {
        // Shortcuts name a workspace by its canonical (upper-case) identifier only.
        auto text = name.substr(prefix.size());
        auto id = Uuid::parse(text);
        if (id && id->uuidString() == text) return Action(WorkspaceAction{*id});
    }
    constexpr std::string_view zonePrefix = "customZone:";
    if (name.starts_with(zonePrefix)) {
        auto rest = name.substr(zonePrefix.size());
        size_t colon = rest.find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        auto text = rest.substr(0, colon);
        auto digits = rest.substr(colon + 1);
        auto id = Uuid::parse(text);
        if (!id || id->uuidString() != text || digits.empty() || digits.size() > 3)
            return std::nullopt;
        int index = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return std::nullopt;
            index = index * 10 + (c - '0');
        }
        return Action(CustomZoneAction{*id, index});
    }
    return std::nullopt;
}

}  // namespace kelvra
