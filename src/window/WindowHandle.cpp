#include "window/WindowHandle.h"

#include "port/Platform.h"

namespace kelvra {

namespace {

port::Windows& windows() {
    return *platform().windows;
}

}  // namespace

std::optional<WindowHandle> WindowHandle::make(port::WindowRef window) {
    auto pid = windows().pid(window);
    if (!pid) return std::nullopt;
    return WindowHandle(window, *pid);
}

std::optional<Rect> WindowHandle::setFrame(const Rect& target) const {
    return windows().setFrame(window_, target);
}

std::optional<Rect> WindowHandle::setFrameDuringMove(const Rect& target) const {
    return windows().setFrameDuringMove(window_, target);
}

std::optional<std::string> WindowHandle::title() const {
    return windows().title(window_);
}

std::optional<port::WindowKind> WindowHandle::kind() const {
    return windows().kind(window_);
}

bool WindowHandle::isMinimized() const {
    return windows().isMinimized(window_).value_or(false);
}

std::optional<std::string> WindowHandle::appId() const {
    return windows().appId(window_);
}

std::optional<Point> WindowHandle::position() const {
    if (auto f = frame()) return f->origin();
    return std::nullopt;
}

std::optional<Size> WindowHandle::size() const {
    if (auto f = frame()) return f->size();
    return std::nullopt;
}

std::optional<Rect> WindowHandle::frame() const {
    return windows().frame(window_);
}

void WindowHandle::raise() const {
    windows().raise(window_);
}

std::optional<WindowHandle> WindowHandle::frontmost() {
    auto focused = windows().focusedWindow();
    if (!focused) return std::nullopt;
    return make(*focused);
}

std::optional<WindowHandle> WindowHandle::at(Point point) {
    auto window = windows().windowAt(point);
    if (!window) return std::nullopt;
    return make(*window);
}

std::vector<WindowHandle> WindowHandle::allStandardWindows() {
    std::vector<WindowHandle> result;
    for (const auto& app : platform().applications->runningApplications()) {
        if (app.activationPolicy != port::ActivationPolicy::regular) continue;
        for (auto ref : windows().windowsOf(app.pid)) {
            if (windows().kind(ref) != port::WindowKind::standard) continue;
            if (windows().isMinimized(ref) == true) continue;
            result.push_back(WindowHandle(ref, app.pid));
        }
    }
    return result;
}

}  // namespace kelvra
