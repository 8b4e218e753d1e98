#include "ax/AXWindow.h"

#include "platform/port/Platform.h"

namespace kelvra {

namespace {

port::Windows& windows() {
    return *platform().windows;
}

}  // namespace

std::optional<AXWindow> AXWindow::make(port::WindowRef window) {
    auto pid = windows().pid(window);
    if (!pid) return std::nullopt;
    return AXWindow(window, *pid);
}

std::optional<Rect> AXWindow::setFrame(const Rect& target) const {
    return windows().setFrame(window_, target);
}

std::optional<Rect> AXWindow::setFrameDuringMove(const Rect& target) const {
    return windows().setFrameDuringMove(window_, target);
}

std::optional<std::string> AXWindow::title() const {
    return windows().title(window_);
}

std::optional<port::WindowKind> AXWindow::kind() const {
    return windows().kind(window_);
}

bool AXWindow::isMinimized() const {
    return windows().isMinimized(window_).value_or(false);
}

std::optional<std::string> AXWindow::applicationId() const {
    return windows().applicationId(window_);
}

std::optional<Point> AXWindow::position() const {
    if (auto f = frame()) return f->origin();
    return std::nullopt;
}

std::optional<Size> AXWindow::size() const {
    if (auto f = frame()) return f->size();
    return std::nullopt;
}

std::optional<Rect> AXWindow::frame() const {
    return windows().frame(window_);
}

void AXWindow::raise() const {
    windows().raise(window_);
}

std::optional<AXWindow> AXWindow::frontmost() {
    auto focused = windows().focusedWindow();
    if (!focused) return std::nullopt;
    return make(*focused);
}

std::optional<AXWindow> AXWindow::at(Point point) {
    auto window = windows().windowAt(point);
    if (!window) return std::nullopt;
    return make(*window);
}

std::vector<AXWindow> AXWindow::allStandardWindows() {
    std::vector<AXWindow> result;
    for (const auto& app : platform().applications->runningApplications()) {
        if (app.activationPolicy != port::ActivationPolicy::regular) continue;
        for (auto ref : windows().windowsOf(app.pid)) {
            if (windows().kind(ref) != port::WindowKind::standard) continue;
            if (windows().isMinimized(ref) == true) continue;
            result.push_back(AXWindow(ref, app.pid));
        }
    }
    return result;
}

}  // namespace kelvra
