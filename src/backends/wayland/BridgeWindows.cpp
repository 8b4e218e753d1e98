#include "backends/wayland/BridgeWindows.h"

#include <memory>

#include "port/Platform.h"

namespace kelvra::wayland {

using bridge::WindowSnapshot;

namespace {
// One field of a window the mirror knows; nothing for a window it does not.
template <class Get>
auto field(const WindowSnapshot* w, Get get) -> std::optional<decltype(get(*w))> {
    if (!w) return std::nullopt;
    return get(*w);
}
}  // namespace

BridgeWindows::BridgeWindows(bridge::BridgeSession& session, BridgeWait& wait)
    : session_(session), wait_(wait) {}

port::WindowCapabilities BridgeWindows::capabilities() {
    // Until the bridge says hello, nothing moves: that is what a missing manager means.
    return {false, session_.connected()};
}

port::WindowRef BridgeWindows::refOf(const std::string& id) {
    auto it = refs_.find(id);
    if (it != refs_.end()) return {it->second};
    const uint64_t ref = nextRef_++;
    refs_.emplace(id, ref);
    ids_.emplace(ref, id);
    return {ref};
}

const WindowSnapshot* BridgeWindows::snapshot(port::WindowRef window) const {
    auto it = ids_.find(window.id);
    return it == ids_.end() ? nullptr : session_.mirror().window(it->second);
}

std::optional<port::WindowRef> BridgeWindows::focusedWindow() {
    const WindowSnapshot* active = session_.mirror().activeWindow();
    if (!active) return std::nullopt;
    return refOf(active->id);
}

std::optional<port::WindowRef> BridgeWindows::windowAt(Point point) {
    // The press of a move the compositor reports is on the window it moves, wherever that
    // window's frame has got to by the time the press is handled.
    const auto& move = session_.mirror().move();
    if (move && move->pointer == point && session_.mirror().window(move->window))
        return refOf(move->window);
    auto windows = session_.mirror().windows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (!(*it)->minimized && (*it)->frame.contains(point)) return refOf((*it)->id);
    }
    return std::nullopt;
}

std::vector<port::WindowRef> BridgeWindows::windowsOf(int32_t pid) {
    std::vector<port::WindowRef> result;
    for (const WindowSnapshot* w : session_.mirror().windows()) {
        if (w->pid == pid) result.push_back(refOf(w->id));
    }
    return result;
}

bool BridgeWindows::exists(port::WindowRef window) {
    return snapshot(window) != nullptr;
}

std::optional<int32_t> BridgeWindows::pid(port::WindowRef window) {
    return field(snapshot(window), [](auto& w) { return static_cast<int32_t>(w.pid); });
}

std::optional<std::string> BridgeWindows::appId(port::WindowRef window) {
    auto* w = snapshot(window);
    if (!w || w->appId.empty()) return std::nullopt;
    return w->appId;
}

std::optional<Rect> BridgeWindows::frame(port::WindowRef window) {
    return field(snapshot(window), [](auto& w) { return w.frame; });
}

std::optional<port::WindowKind> BridgeWindows::kind(port::WindowRef window) {
    auto* w = snapshot(window);
    if (!w) return std::nullopt;
    switch (w->kind) {
        case bridge::WindowKind::normal:
            return port::WindowKind::standard;
        case bridge::WindowKind::dialog:
            return port::WindowKind::dialog;
        case bridge::WindowKind::utility:
            return port::WindowKind::floating;
        case bridge::WindowKind::other:
            break;
    }
    return port::WindowKind::other;
}

std::optional<bool> BridgeWindows::isMinimized(port::WindowRef window) {
    return field(snapshot(window), [](auto& w) { return w.minimized; });
}

std::optional<std::string> BridgeWindows::title(port::WindowRef window) {
    return field(snapshot(window), [](auto& w) { return w.title; });
}

std::optional<port::WindowIcon> BridgeWindows::icon(port::WindowRef window) {
    // The bridge sends no pixels: the icon is the one the desktop entry names.
    auto* w = snapshot(window);
    if (!w || w->appId.empty()) return std::nullopt;
    port::WindowIcon icon;
    icon.themeName = w->appId;
    return icon;
}

void BridgeWindows::raise(port::WindowRef window) {
    if (auto* w = snapshot(window)) session_.send(bridge::Raise{0, w->id});
}

std::optional<Rect> BridgeWindows::setFrame(port::WindowRef window, const Rect& frame) {
    auto* w = snapshot(window);
    if (!w || !session_.connected()) return std::nullopt;
    // Shared with the handler, which may run after this call gave up waiting.
    auto result = std::make_shared<std::optional<bridge::CommandResult>>();
    auto id = session_.send(bridge::SetFrame{0, w->id, frame},
                            [result](const bridge::CommandResult& r) { *result = r; });
    session_.flush();
    if (!wait_.waitUntil([&] { return result->has_value(); }, frameWaitMs + 50)) {
        session_.forget(id);
        // The bridge has the command; what the mirror shows is the best known frame.
        auto* now = snapshot(window);
        return now ? std::optional<Rect>(now->frame) : std::nullopt;
    }
    const bridge::CommandResult& r = **result;
    if (r.status == bridge::ResultStatus::noWindow || r.status == bridge::ResultStatus::failed)
        return std::nullopt;
    return r.frame;
}

std::optional<Rect> BridgeWindows::setFrameDuringMove(port::WindowRef window, const Rect& frame) {
    // The compositor lets its bridge change the frame while the user drags; the drag goes on
    // from it.
    return setFrame(window, frame);
}

Subscription BridgeWindows::onWindowEvent(port::WindowRef window,
                                          std::function<void(port::WindowEvent)> callback) {
    auto it = ids_.find(window.id);
    if (it == ids_.end()) return {};
    const std::string id = it->second;
    auto deliver = [callback](port::WindowEvent e) {
        platform().runLoop->post([callback, e] { callback(e); });
    };
    return session_.changed.connect([this, id, deliver](const bridge::FromBridge& message) {
        using namespace bridge;
        if (auto* f = std::get_if<WindowFrameChanged>(&message); f && f->window == id) {
            deliver(f->resized ? port::WindowEvent::resized : port::WindowEvent::moved);
        } else if (auto* m = std::get_if<InteractiveMove>(&message); m && m->window == id) {
            deliver(port::WindowEvent::moved);
        } else if (auto* n = std::get_if<WindowMinimized>(&message); n && n->window == id) {
            deliver(port::WindowEvent::minimized);
        } else if (auto* r = std::get_if<WindowRemoved>(&message); r && r->window == id) {
            deliver(port::WindowEvent::destroyed);
        } else if (std::holds_alternative<Snapshot>(message) && !session_.mirror().window(id)) {
            deliver(port::WindowEvent::destroyed);
        }
    });
}

Subscription BridgeWindows::onWindowCreated(int32_t pid,
                                            std::function<void(port::WindowRef)> callback) {
    return session_.changed.connect([this, pid, callback](const bridge::FromBridge& message) {
        auto* added = std::get_if<bridge::WindowAdded>(&message);
        if (!added || added->window.pid != pid) return;
        auto ref = refOf(added->window.id);
        platform().runLoop->post([callback, ref] { callback(ref); });
    });
}

}  // namespace kelvra::wayland
