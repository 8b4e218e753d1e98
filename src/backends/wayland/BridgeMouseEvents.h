#pragma once

#include "backends/bridge/BridgeSession.h"
#include "base/Signal.h"
#include "port/MouseEvents.h"

namespace kelvra::wayland {

// The left-button drags of windows, as the bridge reports the moves the user drives:
// a move's start is the press, its steps the drags and its end the release. Wayland
// shows no other program's clicks, so presses that move no window are not seen, and no
// modifier is read during a drag.
class BridgeMouseEvents final : public port::MouseEvents {
  public:
    explicit BridgeMouseEvents(bridge::BridgeSession& session) : session_(session) {}

    Subscription onEvent(std::function<void(const port::MouseEvent&)> listener) override {
        return events_.connect(std::move(listener));
    }
    bool start() override;
    void stop() override { listening_.cancel(); }

  private:
    bridge::BridgeSession& session_;
    Signal<port::MouseEvent> events_;
    Subscription listening_;
};

}  // namespace kelvra::wayland
