#include "backends/wayland/BridgeMouseEvents.h"

#include "port/Platform.h"

namespace kelvra::wayland {

bool BridgeMouseEvents::start() {
    // Posted: a listener may wait for the bridge, which it cannot do inside the bus call
    // that brought the move.
    auto post = [events = events_](const port::MouseEvent& e) {
        platform().runLoop->post([events, e] { events.emit(e); });
    };
    listening_ = session_.changed.connect([post](const bridge::FromBridge& message) {
        auto* m = std::get_if<bridge::InteractiveMove>(&message);
        if (!m) return;
        const bridge::InteractiveMove move = *m;
        using Type = port::MouseEvent::Type;
        switch (move.phase) {
            case bridge::MovePhase::started:
                post({Type::leftDown, move.pointer, false});
                return;
            case bridge::MovePhase::stepped:
                post({Type::leftDragged, move.pointer, false});
                return;
            case bridge::MovePhase::finished:
                post({Type::leftDragged, move.pointer, false});
                post({Type::leftUp, move.pointer, false});
                return;
        }
    });
    return true;
}

}  // namespace kelvra::wayland
