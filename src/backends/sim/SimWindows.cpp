#include "backends/sim/SimWindows.h"

namespace kelvra::sim {

SimState::Window* SimWindows::reach(const char* op, port::WindowRef window,
                                    std::optional<Rect> frame) {
    s_.windowCalls.push_back({op, window, frame});
    return s_.reachable(window);
}

std::optional<port::WindowRef> SimWindows::focusedWindow() {
    s_.windowCalls.push_back({"focused", {}, std::nullopt});
    if (!s_.frontmost) return std::nullopt;
    const SimState::App& app = s_.apps.at(*s_.frontmost);
    if (!app.responsive || !app.focused) return std::nullopt;
    return port::WindowRef{*app.focused};
}

std::optional<port::WindowRef> SimWindows::windowAt(Point point) {
    s_.windowCalls.push_back({"at", {}, std::nullopt});
    for (auto it = s_.stacking.rbegin(); it != s_.stacking.rend(); ++it) {
        const SimState::Window& w = s_.windows.at(*it);
        if (w.minimized || !w.frame.contains(point)) continue;
        return port::WindowRef{*it};
    }
    return std::nullopt;
}

std::vector<port::WindowRef> SimWindows::windowsOf(int32_t pid) {
    s_.windowCalls.push_back({"windowsOf", {}, std::nullopt});
    std::vector<port::WindowRef> list;
    auto it = s_.apps.find(pid);
    if (it == s_.apps.end() || !it->second.responsive) return list;
    for (uint64_t id : it->second.windows) list.push_back({id});
    return list;
}

std::optional<int32_t> SimWindows::pid(port::WindowRef window) {
    s_.windowCalls.push_back({"pid", window, std::nullopt});
    // The owner is known to the window system even when the application hangs.
    auto it = s_.windows.find(window.id);
    if (it == s_.windows.end()) return std::nullopt;
    return it->second.pid;
}

std::optional<std::string> SimWindows::appId(port::WindowRef window) {
    auto* w = reach("appId", window);
    if (!w) return std::nullopt;
    return s_.apps.at(w->pid).info.appId;
}

std::optional<Rect> SimWindows::frame(port::WindowRef window) {
    auto* w = reach("frame", window);
    if (!w) return std::nullopt;
    return w->frame;
}

std::optional<port::WindowKind> SimWindows::kind(port::WindowRef window) {
    auto* w = reach("kind", window);
    if (!w) return std::nullopt;
    return w->kind;
}

std::optional<bool> SimWindows::isMinimized(port::WindowRef window) {
    auto* w = reach("minimized", window);
    if (!w) return std::nullopt;
    return w->minimized;
}

std::optional<std::string> SimWindows::title(port::WindowRef window) {
    auto* w = reach("title", window);
    if (!w) return std::nullopt;
    return w->title;
}

std::optional<port::WindowIcon> SimWindows::icon(port::WindowRef window) {
    auto* w = reach("icon", window);
    if (!w) return std::nullopt;
    return w->icon;
}

void SimWindows::raise(port::WindowRef window) {
    auto* w = reach("raise", window);
    if (!w) return;
    s_.raise(window.id);
    s_.apps.at(w->pid).focused = window.id;
}

std::optional<Rect> SimWindows::setFrame(port::WindowRef window, const Rect& frame) {
    auto* w = reach("setFrame", window, frame);
    if (!w) return std::nullopt;
    s_.applyFrame(window.id, frame);
    return w->frame;
}

Subscription SimWindows::onWindowEvent(port::WindowRef window,
                                       std::function<void(port::WindowEvent)> callback) {
    auto* w = s_.reachable(window);
    if (!w || !callback) return {};
    return w->events.connect(std::move(callback));
}

Subscription SimWindows::onWindowCreated(int32_t pid,
                                         std::function<void(port::WindowRef)> callback) {
    auto it = s_.apps.find(pid);
    if (it == s_.apps.end() || !callback) return {};
    return it->second.created.connect(std::move(callback));
}

}  // namespace kelvra::sim
