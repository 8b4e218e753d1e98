#include "app/Action.h"

#include <type_traits>

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

namespace {

std::string_view commandName(Command command) {
    switch (command) {
        case Command::saveWorkspace:
            return "saveWorkspace";
        case Command::togglePause:
            return "togglePause";
        case Command::openSettings:
            return "openSettings";
        case Command::openShortcuts:
            return "openShortcuts";
        case Command::showOnboarding:
            return "showOnboarding";
        case Command::checkForUpdates:
            return "checkForUpdates";
        case Command::showUpdateStatus:
            return "showUpdateStatus";
        case Command::showAbout:
            return "showAbout";
        case Command::quit:
            return "quit";
    }
    return "";
}

}  // namespace

std::string actionName(const Action& action) {
    return std::visit(
        [](const auto& a) -> std::string {
            using T = std::decay_t<decltype(a)>;
            if constexpr (std::is_same_v<T, SnapAction>) {
                return std::string(rawValue(a));
            } else if constexpr (std::is_same_v<T, WorkspaceAction>) {
                return "workspace:" + a.id.uuidString();
            } else if constexpr (std::is_same_v<T, CustomZoneAction>) {
                return "customZone:" + a.layout.uuidString() + ":" + std::to_string(a.index);
            } else if constexpr (std::is_same_v<T, ZoneAction>) {
                return "zone:" + std::string(rawValue(a.zone));
            } else {
                return std::string(commandName(a));
            }
        },
        action);
}

}  // namespace kelvra
