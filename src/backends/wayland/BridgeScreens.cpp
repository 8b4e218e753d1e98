#include "backends/wayland/BridgeScreens.h"

#include <memory>

#include "port/Platform.h"

namespace kelvra::wayland {

std::vector<port::PlatformScreen> BridgeScreens::screens() {
    std::vector<port::PlatformScreen> result;
    for (const bridge::ScreenSnapshot& s : session_.mirror().screens()) {
        // The output's name is its identity: it survives rearranging.
        result.push_back({std::hash<std::string>{}(s.name), s.geometry, s.workArea, false, s.name});
    }
    return result;
}

std::optional<Point> BridgeScreens::pointerLocation() {
    if (!session_.connected()) return std::nullopt;
    // Only the compositor knows the pointer between drags: ask, briefly.
    auto answered = std::make_shared<bool>(false);
    auto id = session_.send(bridge::GetPointer{},
                            [answered](const bridge::CommandResult&) { *answered = true; });
    session_.flush();
    if (!wait_.waitUntil([&] { return *answered; }, 100)) session_.forget(id);
    // The mirror took the pointer from the result; otherwise it has the last one known.
    return session_.mirror().pointer();
}

Subscription BridgeScreens::onScreensChanged(std::function<void()> callback) {
    auto last = std::make_shared<std::vector<bridge::ScreenSnapshot>>(session_.mirror().screens());
    return session_.changed.connect([this, last, callback](const bridge::FromBridge& message) {
        if (!std::holds_alternative<bridge::ScreensChanged>(message) &&
            !std::holds_alternative<bridge::Snapshot>(message))
            return;
        if (session_.mirror().screens() == *last) return;
        *last = session_.mirror().screens();
        platform().runLoop->post(callback);
    });
}

}  // namespace kelvra::wayland
