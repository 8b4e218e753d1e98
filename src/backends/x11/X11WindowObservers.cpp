#include "backends/x11/X11WindowObservers.h"

#include <utility>

#include "port/Platform.h"

namespace kelvra::x11 {

X11WindowObservers::X11WindowObservers(X11Connection& connection, X11Windows& windows)
    : c_(connection), windows_(windows) {
    if (!c_.isOpen()) return;
    // The client list lives on the root; without a manager, top-levels map there.
    c_.addEventMask(c_.root(), PropertyChangeMask | SubstructureNotifyMask);
    listener_ = c_.addListener([this](const XEvent& e) { onEvent(e); });
}

X11WindowObservers::~X11WindowObservers() {
    lifetime_.end();
    listener_.cancel();
}

Subscription X11WindowObservers::observe(Window w,
                                         std::function<void(port::WindowEvent)> callback) {
    if (!callback || !c_.isOpen()) return {};
    rememberClients();
    auto it = watched_.find(w);
    if (it == watched_.end()) {
        auto placement = windows_.placement(w);
        if (!placement) return {};
        Watched state;
        state.frameRect = placement->frame;
        state.minimized = windows_.isMinimized(w);
        it = watched_.emplace(w, std::move(state)).first;
        watchFrame(w, it->second);
    }
    return it->second.changed.connect([callback](const port::WindowEvent& e) { callback(e); });
}

Subscription X11WindowObservers::observeCreated(int32_t pid,
                                                std::function<void(port::WindowRef)> callback) {
    if (!callback || !c_.isOpen()) return {};
    rememberClients();
    return created_[pid].connect([callback](const port::WindowRef& w) { callback(w); });
}

void X11WindowObservers::rememberClients() {
    // From here on, what appears in the client list is new, and what leaves it is gone.
    if (clientsKnown_) return;
    auto list = windows_.clients();
    knownClients_ = std::set<Window>(list.begin(), list.end());
    clientsKnown_ = true;
}

void X11WindowObservers::watchFrame(Window w, Watched& state) {
    // A manager moves its frame, not the client: the frame's configure events tell.
    Window top = windows_.topLevel(w).value_or(w);
    if (top == state.frame) return;
    clientOfFrame_.erase(state.frame);
    state.frame = top;
    if (top != w) {
        c_.addEventMask(top, StructureNotifyMask);
        clientOfFrame_[top] = w;
    }
}

void X11WindowObservers::onEvent(const XEvent& e) {
    switch (e.type) {
        case ConfigureNotify: {
            Window w = e.xconfigure.window;
            if (auto f = clientOfFrame_.find(w); f != clientOfFrame_.end()) w = f->second;
            if (watched_.count(w)) scheduleCheck(w);
            break;
        }
        case DestroyNotify:
            if (watched_.count(e.xdestroywindow.window)) scheduleCheck(e.xdestroywindow.window);
            if (e.xdestroywindow.event == c_.root()) scheduleClientListCheck();
            break;
        case UnmapNotify:
        case MapNotify:
        case ReparentNotify:
            if (watched_.count(e.xany.window)) scheduleCheck(e.xany.window);
            if (e.xany.window == c_.root()) scheduleClientListCheck();
            break;
        case PropertyNotify:
            if (e.xproperty.window == c_.root()) {
                if (e.xproperty.atom == c_.atom("_NET_CLIENT_LIST")) scheduleClientListCheck();
            } else if (watched_.count(e.xproperty.window)) {
                Atom a = e.xproperty.atom;
                if (a == c_.atom("_NET_WM_STATE") || a == c_.atom("WM_STATE") ||
                    a == c_.atom("_NET_FRAME_EXTENTS") || a == c_.atom("_GTK_FRAME_EXTENTS"))
                    scheduleCheck(e.xproperty.window);
            }
            break;
        default:
            break;
    }
}

void X11WindowObservers::post(std::function<void()> work) {
    platform().runLoop->post(lifetime_.guard(std::move(work)));
}

void X11WindowObservers::scheduleCheck(Window w) {
    if (!checksPending_.insert(w).second) return;
    post([this, w] {
        checksPending_.erase(w);
        checkWindow(w);
    });
}

void X11WindowObservers::ended(Window w) {
    auto it = watched_.find(w);
    if (it == watched_.end()) return;
    Signal<port::WindowEvent> changed = it->second.changed;
    clientOfFrame_.erase(it->second.frame);
    watched_.erase(it);
    changed.emit(port::WindowEvent::destroyed);
}

void X11WindowObservers::checkWindow(Window w) {
    auto it = watched_.find(w);
    if (it == watched_.end()) return;
    if (it->second.changed.empty()) {
        // Nobody listens any more.
        clientOfFrame_.erase(it->second.frame);
        watched_.erase(it);
        return;
    }
    auto placement = windows_.placement(w);
    if (!placement || !windows_.exists(w)) return ended(w);
    Watched& state = it->second;
    // The manager may have reparented the window since it was first watched.
    watchFrame(w, state);
    Rect old = state.frameRect;
    bool wasMinimized = state.minimized;
    state.frameRect = placement->frame;
    state.minimized = windows_.isMinimized(w);
    Signal<port::WindowEvent> changed = state.changed;
    if (state.minimized) {
        // Managers animate minimizing by moving the frame: those are no moves of the window.
        if (!wasMinimized) changed.emit(port::WindowEvent::minimized);
        return;
    }
    bool moved = placement->frame.origin() != old.origin();
    bool resized = placement->frame.size() != old.size();
    if (moved) changed.emit(port::WindowEvent::moved);
    if (resized) changed.emit(port::WindowEvent::resized);
}

void X11WindowObservers::scheduleClientListCheck() {
    if (clientListCheckPending_) return;
    clientListCheckPending_ = true;
    post([this] {
        clientListCheckPending_ = false;
        checkClientList();
    });
}

void X11WindowObservers::checkClientList() {
    if (!clientsKnown_) return;
    auto list = windows_.clients();
    std::set<Window> now(list.begin(), list.end());
    std::vector<Window> appeared;
    for (Window w : list)
        if (!knownClients_.count(w)) appeared.push_back(w);
    std::vector<Window> gone;
    // A withdrawn window is gone for the program, even if the client keeps it for later.
    for (Window w : knownClients_)
        if (!now.count(w) && watched_.count(w)) gone.push_back(w);
    knownClients_ = std::move(now);
    clientsKnown_ = true;
    auto pids = windows_.pids(appeared);
    auto alive = lifetime_.token();
    for (size_t i = 0; i < appeared.size(); ++i) {
        if (!pids[i]) continue;
        auto it = created_.find(*pids[i]);
        if (it == created_.end()) continue;
        Signal<port::WindowRef> signal = it->second;
        signal.emit(port::WindowRef{static_cast<uint64_t>(appeared[i])});
        if (alive.expired()) return;
    }
    for (Window w : gone) {
        ended(w);
        if (alive.expired()) return;
    }
}

}  // namespace kelvra::x11
