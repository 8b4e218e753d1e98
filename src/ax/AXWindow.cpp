#include "ax/AXWindow.h"

#include "platform/port/Platform.h"

namespace kelvra {

namespace {

port::Accessibility& ax() {
    return *platform().accessibility;
}

// A read that fails, is absent or holds another kind of value is "no value".
template <typename T>
std::optional<T> read(port::AXElement element, const char* attribute) {
    auto value = ax().copyAttributeValue(element, attribute);
    if (!value) return std::nullopt;
    if (const T* typed = std::get_if<T>(&*value)) return *typed;
    return std::nullopt;
}

// The window an element belongs to: its own window attribute if it has one, else
// the nearest ancestor (or itself) whose role is a window.
std::optional<AXWindow> windowAncestor(port::AXElement element) {
    if (auto window = read<port::AXElement>(element, port::ax::window)) {
        return AXWindow::make(*window);
    }
    // Bounded, because a broken application could report a cycle of parents.
    constexpr int maxExamined = 10;
    port::AXElement current = element;
    for (int i = 0; i < maxExamined; ++i) {
        if (read<std::string>(current, port::ax::role) == port::ax::windowRole) {
            return AXWindow::make(current);
        }
        auto parent = read<port::AXElement>(current, port::ax::parent);
        if (!parent) return std::nullopt;
        current = *parent;
    }
    return std::nullopt;
}

}  // namespace

std::optional<AXWindow> AXWindow::make(port::AXElement windowElement) {
    auto pid = ax().pidOf(windowElement);
    if (!pid) return std::nullopt;
    ax().setMessagingTimeout(windowElement, messagingTimeout);
    return AXWindow(windowElement, *pid);
}

std::optional<Rect> AXWindow::setFrame(const Rect& target) const {
    // Applications in the enhanced interface mode animate or ignore frame writes.
    auto app = ax().applicationElement(pid_);
    if (read<bool>(app, port::ax::enhancedUserInterface) == true) {
        ax().setAttributeValue(app, port::ax::enhancedUserInterface, false);
    }
    // Position again after the size: a size change near a screen edge can make the
    // application shift the window, and a move first lets the new size fit.
    ax().setAttributeValue(element_, port::ax::position, target.origin());
    ax().setAttributeValue(element_, port::ax::size, target.size());
    ax().setAttributeValue(element_, port::ax::position, target.origin());
    return frame();
}

std::optional<std::string> AXWindow::title() const {
    return read<std::string>(element_, port::ax::title);
}

std::optional<std::string> AXWindow::subrole() const {
    return read<std::string>(element_, port::ax::subrole);
}

bool AXWindow::isMinimized() const {
    return read<bool>(element_, port::ax::minimized).value_or(false);
}

std::optional<Point> AXWindow::position() const {
    return read<Point>(element_, port::ax::position);
}

std::optional<Size> AXWindow::size() const {
    return read<Size>(element_, port::ax::size);
}

std::optional<Rect> AXWindow::frame() const {
    auto p = position();
    if (!p) return std::nullopt;
    auto s = size();
    if (!s) return std::nullopt;
    return Rect(*p, *s);
}

void AXWindow::raise() const {
    ax().performAction(element_, port::ax::raiseAction);
}

std::optional<AXWindow> AXWindow::frontmost() {
    auto app = platform().applications->frontmostApplication();
    if (!app) return std::nullopt;
    auto focused =
        read<port::AXElement>(ax().applicationElement(app->pid), port::ax::focusedWindow);
    if (!focused) return std::nullopt;
    return make(*focused);
}

std::optional<AXWindow> AXWindow::at(Point point) {
    auto element = ax().elementAtPosition(ax().systemWideElement(), point);
    if (!element) return std::nullopt;
    return windowAncestor(*element);
}

std::vector<AXWindow> AXWindow::allStandardWindows() {
    std::vector<AXWindow> result;
    for (const auto& app : platform().applications->runningApplications()) {
        if (app.activationPolicy != port::ActivationPolicy::regular) continue;
        auto windows =
            read<std::vector<port::AXElement>>(ax().applicationElement(app.pid), port::ax::windows);
        if (!windows) continue;
        for (auto element : *windows) {
            auto window = make(element);
            if (!window) continue;
            if (window->subrole() != port::ax::standardWindowSubrole) continue;
            if (read<bool>(element, port::ax::minimized) == true) continue;
            result.push_back(*window);
        }
    }
    return result;
}

}  // namespace kelvra
