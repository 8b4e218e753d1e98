#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "geometry/Rect.h"
#include "platform/port/Accessibility.h"

namespace kelvra {

// A handle on another application's window. Handles compare and hash by their
// element, so two handles made for the same window are equal and serve as map keys.
class AXWindow {
public:
    // Messaging timeout set on every window element.
    static constexpr double messagingTimeout = 0.25;

    // No handle when the element's process cannot be found.
    static std::optional<AXWindow> make(port::AXElement windowElement);

    port::AXElement element() const { return element_; }
    int32_t pid() const { return pid_; }

    // Writes position, size, position (leaving the application's enhanced interface
    // mode first), then returns the frame read back, or nothing when it cannot be read.
    std::optional<Rect> setFrame(const Rect& target) const;

    std::optional<std::string> title() const;
    std::optional<std::string> subrole() const;
    bool isMinimized() const;
    std::optional<Point> position() const;
    std::optional<Size> size() const;
    // Position and size together; nothing when either cannot be read.
    std::optional<Rect> frame() const;
    // Brings the window to the front within its application (result unused).
    void raise() const;

    // The focused window of the frontmost application.
    static std::optional<AXWindow> frontmost();
    // The window under a screen point.
    static std::optional<AXWindow> at(Point point);
    // Every standard, unminimized window of every regular application.
    static std::vector<AXWindow> allStandardWindows();

    friend bool operator==(const AXWindow& a, const AXWindow& b) { return a.element_ == b.element_; }

private:
    AXWindow(port::AXElement element, int32_t pid) : element_(element), pid_(pid) {}
    port::AXElement element_;
    int32_t pid_;
};

// The accessibility permission.
namespace Permissions {
// First call in a run shows the system prompt; later calls open the settings page.
// Does nothing when the permission is already granted.
void requestOrOpenSettings();
// Whether the prompt was shown in this run.
bool didPromptThisLaunch();
// For tests: forget that the prompt was shown.
void resetForTesting();
}  // namespace Permissions

}  // namespace kelvra

template <>
struct std::hash<kelvra::AXWindow> {
    size_t operator()(const kelvra::AXWindow& w) const noexcept {
        return std::hash<kelvra::port::AXElement>{}(w.element());
    }
};
