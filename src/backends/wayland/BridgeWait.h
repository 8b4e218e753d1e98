#pragma once

#include <functional>

namespace kelvra::wayland {

// Lets a port's call wait for the bridge's answer, as a window manager's is awaited on
// X11: only the bridge's messages are handled meanwhile, nothing else of the program.
class BridgeWait {
  public:
    virtual ~BridgeWait() = default;
    // Handles the bridge's calls until `done` says so or `ms` pass; true when `done`
    // came true.
    virtual bool waitUntil(const std::function<bool()>& done, int ms) = 0;
};

}  // namespace kelvra::wayland
