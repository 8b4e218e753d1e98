#include "backends/sim/SimState.h"

#include <algorithm>
#include <stdexcept>

namespace kelvra::sim {

void misuse(const std::string& what) {
    throw std::invalid_argument("SimDesktop: " + what);
}

namespace {
Size clampSize(Size s, Size minSize, Size maxSize) {
    return {std::clamp(s.width, minSize.width, std::max(minSize.width, maxSize.width)),
            std::clamp(s.height, minSize.height, std::max(minSize.height, maxSize.height))};
}
}  // namespace

SimState::SimState() {
    App own;
    own.info = {ownPid, "com.orvane.Kelvra", "Kelvra", port::ActivationPolicy::accessory};
    apps[ownPid] = std::move(own);
}

SimState::App& SimState::app(int32_t pid) {
    auto it = apps.find(pid);
    if (it == apps.end()) misuse("no application with pid " + std::to_string(pid));
    return it->second;
}

SimState::Window& SimState::window(port::WindowRef w) {
    auto it = windows.find(w.id);
    if (it == windows.end()) misuse("no window " + std::to_string(w.id));
    return it->second;
}

SimState::Window* SimState::reachable(port::WindowRef w) {
    auto it = windows.find(w.id);
    if (it == windows.end()) return nullptr;
    return apps.at(it->second.pid).responsive ? &it->second : nullptr;
}

void SimState::raise(uint64_t windowId) {
    std::erase(stacking, windowId);
    stacking.push_back(windowId);
}

void SimState::applyFrame(uint64_t windowId, const Rect& frame) {
    Window& w = windows.at(windowId);
    Rect before = w.frame;
    Size s = clampSize(frame.size(), w.minSize, w.maxSize);
    w.frame = Rect(frame.origin(), s);
    if (w.frame.origin() != before.origin()) w.events.post(loop, port::WindowEvent::moved);
    if (w.frame.size() != before.size()) w.events.post(loop, port::WindowEvent::resized);
}

void SimState::setMinimized(uint64_t windowId, bool minimized) {
    Window& w = windows.at(windowId);
    if (w.minimized == minimized) return;
    w.minimized = minimized;
    if (minimized) w.events.post(loop, port::WindowEvent::minimized);
}

void SimState::setFrontmost(std::optional<int32_t> pid) {
    if (frontmost == pid) return;
    frontmost = pid;
    activated.post(loop);
}

void SimState::removeWindow(uint64_t windowId) {
    Window& w = windows.at(windowId);
    // Queued before the window goes, as its last word to its observers.
    w.events.post(loop, port::WindowEvent::destroyed);
    App& a = apps.at(w.pid);
    std::erase(a.windows, windowId);
    if (a.focused == windowId) {
        a.focused = a.windows.empty() ? std::nullopt : std::optional(a.windows.back());
    }
    std::erase(stacking, windowId);
    windows.erase(windowId);
}

}  // namespace kelvra::sim
