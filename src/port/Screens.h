#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Rect.h"
#include "base/Subscription.h"

namespace kelvra::port {

// One display as the platform reports it. Frames are in the top-left space (origin at
// the top-left of the primary display, y growing downwards), like windows.
struct PlatformScreen {
    uint64_t id = 0;       // the display's identity: equal ids are the same display
    Rect frame;            // the whole display
    Rect visibleFrame;     // less panels, docks and menu bars
    bool builtIn = false;  // a laptop's own panel
    std::string name;      // the output's name, for logs

    friend bool operator==(const PlatformScreen&, const PlatformScreen&) = default;
};

class Screens {
  public:
    virtual ~Screens() = default;
    // All displays, primary first. Reflects the current arrangement on every call.
    virtual std::vector<PlatformScreen> screens() = 0;
    // Where the pointer is now (top-left space); none when the platform cannot tell.
    virtual std::optional<Point> pointerLocation() = 0;
    // Called on the main thread after the arrangement changed.
    virtual Subscription onScreensChanged(std::function<void()> callback) = 0;
};

}  // namespace kelvra::port
