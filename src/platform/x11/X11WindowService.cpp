#include "platform/x11/X11WindowService.h"

#include <unistd.h>

#include <algorithm>

#include "platform/x11/X11WindowObservers.h"

namespace kelvra::x11 {

namespace {

// A hung manager gives no answer: the frame is then read as it is.
constexpr double managerAnswerSeconds = 0.25;

port::WindowRef ref(Window w) {
    return {static_cast<uint64_t>(w)};
}

}  // namespace

X11WindowService::X11WindowService(X11Connection& connection, X11Applications& applications)
    : c_(connection),
      applications_(applications),
      windows_(connection),
      mover_(connection, windows_),
      commands_(connection, windows_),
      observers_(std::make_unique<X11WindowObservers>(connection, windows_)) {}

X11WindowService::~X11WindowService() = default;

port::WindowCapabilities X11WindowService::capabilities() {
    return {.needsPermission = false, .hasWindowManager = c_.hasWindowManager()};
}

bool X11WindowService::isTrusted() {
    return true;
}

void X11WindowService::promptForTrust() {}

void X11WindowService::openPermissionSettings() {}

std::optional<Window> X11WindowService::client(port::WindowRef window) {
    auto w = static_cast<Window>(window.id);
    if (window.id == 0 || window.id > 0xffffffffULL || !windows_.exists(w)) return std::nullopt;
    return w;
}

std::optional<port::WindowRef> X11WindowService::focusedWindow() {
    auto active = windows_.activeWindow();
    if (!active) return std::nullopt;
    // Our own windows are not another application's.
    if (windows_.pid(*active) == static_cast<int32_t>(getpid())) return std::nullopt;
    return ref(*active);
}

std::optional<port::WindowRef> X11WindowService::windowAt(Point point) {
    if (!c_.isOpen()) return std::nullopt;
    Point rootPoint = c_.toRoot(point);
    auto stack = windows_.stacking();
    auto placements = windows_.placements(stack);
    for (size_t i = stack.size(); i-- > 0;) {
        const auto& p = placements[i];
        if (!p || !p->area.viewable || !p->frame.contains(rootPoint)) continue;
        if (windows_.isMinimized(stack[i])) continue;
        // The desktop window lies under everything: pointing at it is pointing at no window.
        auto types = windows_.types(stack[i]);
        if (std::find(types.begin(), types.end(), "_NET_WM_WINDOW_TYPE_DESKTOP") != types.end())
            return std::nullopt;
        return ref(stack[i]);
    }
    return std::nullopt;
}

std::vector<port::WindowRef> X11WindowService::windowsOf(int32_t pid) {
    std::vector<port::WindowRef> result;
    auto stack = windows_.stacking();
    auto pids = windows_.pids(stack);
    // Frontmost first, as applications list their windows.
    for (size_t i = stack.size(); i-- > 0;)
        if (pids[i] == pid) result.push_back(ref(stack[i]));
    return result;
}

bool X11WindowService::exists(port::WindowRef window) {
    return client(window).has_value();
}

std::optional<int32_t> X11WindowService::pid(port::WindowRef window) {
    auto w = client(window);
    return w ? windows_.pid(*w) : std::nullopt;
}

std::optional<std::string> X11WindowService::applicationId(port::WindowRef window) {
    auto w = client(window);
    return w ? applications_.applicationIdOf(*w) : std::nullopt;
}

std::optional<Rect> X11WindowService::frame(port::WindowRef window) {
    auto w = client(window);
    if (!w) return std::nullopt;
    auto f = windows_.frame(*w);
    if (!f) return std::nullopt;
    return c_.toPort(*f);
}

std::optional<port::WindowKind> X11WindowService::kind(port::WindowRef window) {
    auto w = client(window);
    if (!w) return std::nullopt;
    return windows_.kind(*w);
}

std::optional<bool> X11WindowService::isMinimized(port::WindowRef window) {
    auto w = client(window);
    if (!w) return std::nullopt;
    return windows_.isMinimized(*w);
}

std::optional<std::string> X11WindowService::title(port::WindowRef window) {
    auto w = client(window);
    return w ? windows_.title(*w) : std::nullopt;
}

void X11WindowService::raise(port::WindowRef window) {
    if (auto w = client(window)) commands_.activate(*w);
}

std::optional<Rect> X11WindowService::setFrame(port::WindowRef window, const Rect& frame) {
    auto w = client(window);
    if (!w) return std::nullopt;
    auto applied = mover_.setFrame(*w, c_.toRoot(frame), managerAnswerSeconds);
    if (!applied) return std::nullopt;
    return c_.toPort(*applied);
}

std::optional<Rect> X11WindowService::setFrameDuringMove(port::WindowRef window,
                                                         const Rect& frame) {
    auto w = client(window);
    if (!w) return std::nullopt;
    if (!commands_.interruptMove(*w)) return setFrame(window, frame);
    auto applied = mover_.setFrame(*w, c_.toRoot(frame), managerAnswerSeconds);
    commands_.resumeMove(*w);
    if (!applied) return std::nullopt;
    return c_.toPort(*applied);
}

Subscription X11WindowService::observe(port::WindowRef window,
                                       std::function<void(port::WindowEvent)> callback) {
    auto w = client(window);
    if (!w) return {};
    return observers_->observe(*w, std::move(callback));
}

Subscription X11WindowService::observeCreated(int32_t pid,
                                              std::function<void(port::WindowRef)> callback) {
    return observers_->observeCreated(pid, std::move(callback));
}

}  // namespace kelvra::x11
