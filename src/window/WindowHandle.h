#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Rect.h"
#include "port/Windows.h"

namespace kelvra {

// A handle on another application's window. Handles compare and hash by the window,
// so two handles made for the same window are equal and serve as map keys.
class WindowHandle {
  public:
    // No handle when the window's process cannot be found (the window is gone).
    static std::optional<WindowHandle> make(port::WindowRef window);

    port::WindowRef element() const { return window_; }
    int32_t pid() const { return pid_; }

    // Sets the whole frame in one request and returns the frame the window really has
    // afterwards, or nothing when it cannot be read.
    std::optional<Rect> setFrame(const Rect& target) const;
    // The same while the user is moving the window with the pointer.
    std::optional<Rect> setFrameDuringMove(const Rect& target) const;

    std::optional<std::string> title() const;
    std::optional<port::WindowKind> kind() const;
    // A normal application window (not a dialog, panel or the like).
    bool isStandard() const { return kind() == port::WindowKind::standard; }
    bool isMinimized() const;
    // The identifier of the window's application (its desktop entry id).
    std::optional<std::string> appId() const;
    std::optional<Point> position() const;
    std::optional<Size> size() const;
    std::optional<Rect> frame() const;
    // Brings the window to the front (result unused).
    void raise() const;

    // The focused window of the frontmost application.
    static std::optional<WindowHandle> frontmost();
    // The window under a screen point.
    static std::optional<WindowHandle> at(Point point);
    // Every standard, unminimized window of every regular application.
    static std::vector<WindowHandle> allStandardWindows();

    friend bool operator==(const WindowHandle& a, const WindowHandle& b) {
        return a.window_ == b.window_;
    }

  private:
    WindowHandle(port::WindowRef window, int32_t pid) : window_(window), pid_(pid) {}
    port::WindowRef window_;
    int32_t pid_;
};

// The permission to arrange other applications' windows, on platforms that have one.
namespace Permissions {
// Whether Kelvra may arrange windows now: always where the platform needs no permission.
bool isGranted();
// First call in a run shows the system prompt; later calls open the settings page.
// Does nothing when the permission is already granted or the platform has none.
void requestOrOpenSettings();
// Whether the prompt was shown in this run.
bool didPromptThisLaunch();
// For tests: forget that the prompt was shown.
void resetForTesting();
}  // namespace Permissions

}  // namespace kelvra

template <>
struct std::hash<kelvra::WindowHandle> {
    size_t operator()(const kelvra::WindowHandle& w) const noexcept {
        return std::hash<kelvra::port::WindowRef>{}(w.element());
    }
};
