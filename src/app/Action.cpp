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
    return std::nullopt;
}

}  // namespace kelvra
