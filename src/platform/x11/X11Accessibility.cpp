#include "platform/x11/X11Accessibility.h"

#include <algorithm>

#include "platform/port/Platform.h"
#include "platform/x11/pure/ElementId.h"

namespace kelvra::x11 {

namespace {

constexpr double defaultTimeout = 0.25;

port::AXElement windowElement(Window w) {
    return {makeElementId(ElementKind::window, static_cast<uint64_t>(w))};
}

}  // namespace

X11Accessibility::X11Accessibility(X11Connection& connection)
    : c_(connection),
      windows_(connection),
      mover_(connection, windows_),
      commands_(connection, windows_) {
    if (!c_.isOpen()) return;
    // The client list lives on the root; without a manager, top-levels map there.
    c_.addEventMask(c_.root(), PropertyChangeMask | SubstructureNotifyMask);
    listener_ = c_.addListener([this](const XEvent& e) { onEvent(e); });
    for (Window w : windows_.clients()) knownClients_.insert(w);
}

X11Accessibility::~X11Accessibility() {
    *alive_ = false;
    if (listener_) c_.removeListener(listener_);
}

bool X11Accessibility::isProcessTrusted() {
    return c_.isOpen();
}

void X11Accessibility::promptForTrust() {
    if (c_.isOpen())
        logLine("an X11 session needs no permission to arrange windows");
    else
        logLine("no X11 display: windows cannot be arranged in this session");
}

void X11Accessibility::openPermissionSettings() {
    promptForTrust();
}

port::AXElement X11Accessibility::applicationElement(int32_t pid) {
    return {makeElementId(ElementKind::application, static_cast<uint32_t>(pid))};
}

port::AXElement X11Accessibility::systemWideElement() {
    return {makeElementId(ElementKind::systemWide, 1)};
}

std::optional<Window> X11Accessibility::windowOf(port::AXElement element) {
    if (elementKind(element.id) != ElementKind::window) return std::nullopt;
    Window w = static_cast<Window>(elementValue(element.id));
    if (!windows_.exists(w)) return std::nullopt;
    return w;
}

std::optional<port::AXElement> X11Accessibility::elementAtPosition(port::AXElement systemWide,
                                                                   Point p) {
    if (elementKind(systemWide.id) != ElementKind::systemWide || !c_.isOpen()) return std::nullopt;
    Point rootPoint = c_.toRoot(p);
    auto stack = windows_.stacking();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        Window w = *it;
        if (!windows_.isViewable(w) || windows_.isMinimized(w)) continue;
        auto frame = windows_.frame(w);
        if (!frame || !frame->contains(rootPoint)) continue;
        // The desktop window lies under everything: pointing at it is pointing at no window.
        auto types = windows_.types(w);
        if (std::find(types.begin(), types.end(), "_NET_WM_WINDOW_TYPE_DESKTOP") != types.end())
            return std::nullopt;
        return windowElement(w);
    }
    return std::nullopt;
}

std::optional<int32_t> X11Accessibility::pidOf(port::AXElement element) {
    switch (elementKind(element.id)) {
        case ElementKind::application:
            return static_cast<int32_t>(elementValue(element.id));
        case ElementKind::window:
            if (auto w = windowOf(element)) return windows_.pid(*w);
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

void X11Accessibility::setMessagingTimeout(port::AXElement element, double seconds) {
    if (!(seconds >= 0)) return;
    timeouts_[element.id] = std::min(seconds, 5.0);
}

double X11Accessibility::timeoutFor(port::AXElement element) const {
    auto it = timeouts_.find(element.id);
    return it == timeouts_.end() || it->second == 0 ? defaultTimeout : it->second;
}

std::vector<Window> X11Accessibility::windowsOfPid(int32_t pid) {
    std::vector<Window> result;
    auto stack = windows_.stacking();
    // Frontmost first, as applications list their windows.
    for (auto it = stack.rbegin(); it != stack.rend(); ++it)
        if (windows_.pid(*it) == pid) result.push_back(*it);
    return result;
}

std::optional<Window> X11Accessibility::focusedWindowOf(int32_t pid) {
    if (auto active = windows_.activeWindow(); active && windows_.pid(*active) == pid)
        return active;
    return std::nullopt;
}

std::optional<port::AXAttributeValue> X11Accessibility::copyAttributeValue(
    port::AXElement element, const std::string& attribute) {
    if (!c_.isOpen()) return std::nullopt;
    switch (elementKind(element.id)) {
        case ElementKind::window: {
            auto w = windowOf(element);
            if (!w) return std::nullopt;
            if (attribute == port::ax::position || attribute == port::ax::size) {
                auto frame = windows_.frame(*w);
                if (!frame) return std::nullopt;
                Rect r = c_.toPort(*frame);
                if (attribute == port::ax::position) return port::AXAttributeValue(r.origin());
                return port::AXAttributeValue(r.size());
            }
            if (attribute == port::ax::title) {
                if (auto t = windows_.title(*w)) return port::AXAttributeValue(*t);
                return std::nullopt;
            }
            if (attribute == port::ax::role) return port::AXAttributeValue(std::string("AXWindow"));
            if (attribute == port::ax::subrole) return port::AXAttributeValue(windows_.subrole(*w));
            if (attribute == port::ax::minimized)
                return port::AXAttributeValue(windows_.isMinimized(*w));
            if (attribute == port::ax::window) return port::AXAttributeValue(element);
            if (attribute == port::ax::parent) {
                if (auto pid = windows_.pid(*w))
                    return port::AXAttributeValue(applicationElement(*pid));
            }
            return std::nullopt;
        }
        case ElementKind::application: {
            int32_t pid = static_cast<int32_t>(elementValue(element.id));
            if (attribute == port::ax::windows) {
                std::vector<port::AXElement> list;
                for (Window w : windowsOfPid(pid)) list.push_back(windowElement(w));
                return port::AXAttributeValue(list);
            }
            if (attribute == port::ax::focusedWindow) {
                if (auto w = focusedWindowOf(pid)) return port::AXAttributeValue(windowElement(*w));
                return std::nullopt;
            }
            // There is no such mode here; reporting it off keeps callers from toggling it.
            if (attribute == port::ax::enhancedUserInterface) return port::AXAttributeValue(false);
            if (attribute == port::ax::role)
                return port::AXAttributeValue(std::string("AXApplication"));
            return std::nullopt;
        }
        case ElementKind::systemWide:
            if (attribute == port::ax::role)
                return port::AXAttributeValue(std::string("AXSystemWide"));
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

bool X11Accessibility::setAttributeValue(port::AXElement element, const std::string& attribute,
                                         const port::AXAttributeValue& value) {
    if (!c_.isOpen()) return false;
    if (elementKind(element.id) == ElementKind::application) {
        const bool* on = std::get_if<bool>(&value);
        return attribute == port::ax::enhancedUserInterface && on && !*on;
    }
    auto w = windowOf(element);
    if (!w) return false;
    if (attribute == port::ax::position || attribute == port::ax::size) {
        auto frame = windows_.frame(*w);
        if (!frame) return false;
        Rect target = c_.toPort(*frame);
        if (const Point* p = std::get_if<Point>(&value); p && attribute == port::ax::position)
            target = Rect(*p, target.size());
        else if (const Size* s = std::get_if<Size>(&value); s && attribute == port::ax::size)
            target = Rect(target.origin(), *s);
        else
            return false;
        return mover_.setFrame(*w, c_.toRoot(target), timeoutFor(element));
    }
    if (attribute == port::ax::minimized) {
        const bool* minimize = std::get_if<bool>(&value);
        if (!minimize) return false;
        return *minimize ? commands_.minimize(*w) : commands_.activate(*w);
    }
    return false;
}

bool X11Accessibility::performAction(port::AXElement element, const std::string& action) {
    if (action != port::ax::raiseAction) return false;
    auto w = windowOf(element);
    return w && commands_.activate(*w);
}

std::optional<port::AXObserverId> X11Accessibility::createObserver(int32_t pid,
                                                                   ObserverCallback callback) {
    if (!c_.isOpen() || !callback) return std::nullopt;
    port::AXObserverId id = nextObserver_++;
    observers_[id] = Observer{pid, std::move(callback), {}};
    return id;
}

bool X11Accessibility::addNotification(port::AXObserverId observer, port::AXElement element,
                                       const std::string& notification) {
    auto it = observers_.find(observer);
    if (it == observers_.end()) return false;
    switch (elementKind(element.id)) {
        case ElementKind::window: {
            if (notification != port::ax::movedNotification &&
                notification != port::ax::resizedNotification &&
                notification != port::ax::destroyedNotification &&
                notification != port::ax::miniaturizedNotification)
                return false;
            auto w = windowOf(element);
            if (!w) return false;
            watch(*w);
            break;
        }
        case ElementKind::application:
            if (notification != port::ax::windowCreatedNotification) return false;
            break;
        default:
            return false;
    }
    it->second.registrations.emplace(element.id, notification);
    return true;
}

void X11Accessibility::removeNotification(port::AXObserverId observer, port::AXElement element,
                                          const std::string& notification) {
    if (auto it = observers_.find(observer); it != observers_.end())
        it->second.registrations.erase({element.id, notification});
}

void X11Accessibility::destroyObserver(port::AXObserverId observer) {
    observers_.erase(observer);
}

void X11Accessibility::watch(Window w) {
    if (watched_.count(w)) return;
    Watched state;
    state.frame = windows_.topLevel(w);
    state.frameRect = windows_.frame(w).value_or(Rect());
    state.minimized = windows_.isMinimized(w);
    c_.addEventMask(w, StructureNotifyMask | PropertyChangeMask);
    // A manager moves its frame, not the client: the frame's configure events tell.
    if (state.frame != w) {
        c_.addEventMask(state.frame, StructureNotifyMask);
        clientOfFrame_[state.frame] = w;
    }
    watched_[w] = state;
}

void X11Accessibility::onEvent(const XEvent& e) {
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

void X11Accessibility::scheduleCheck(Window w) {
    if (!checksPending_.insert(w).second) return;
    std::weak_ptr<bool> alive = alive_;
    platform().runLoop->post([this, alive, w] {
        auto a = alive.lock();
        if (!a || !*a) return;
        checksPending_.erase(w);
        checkWindow(w);
    });
}

void X11Accessibility::checkWindow(Window w) {
    auto it = watched_.find(w);
    if (it == watched_.end()) return;
    auto frame = windows_.frame(w);
    if (!frame) {
        clientOfFrame_.erase(it->second.frame);
        watched_.erase(it);
        deliver(windowElement(w), port::ax::destroyedNotification);
        return;
    }
    Watched& state = it->second;
    // The manager may have reparented the window since it was first watched.
    if (Window top = windows_.topLevel(w); top != state.frame) {
        clientOfFrame_.erase(state.frame);
        state.frame = top;
        if (top != w) {
            c_.addEventMask(top, StructureNotifyMask);
            clientOfFrame_[top] = w;
        }
    }
    Rect old = state.frameRect;
    bool wasMinimized = state.minimized;
    state.frameRect = *frame;
    state.minimized = windows_.isMinimized(w);
    if (state.minimized) {
        // Managers animate minimizing by moving the frame: those are no moves of the window.
        if (!wasMinimized) deliver(windowElement(w), port::ax::miniaturizedNotification);
        return;
    }
    if (frame->origin() != old.origin()) deliver(windowElement(w), port::ax::movedNotification);
    if (frame->size() != old.size()) deliver(windowElement(w), port::ax::resizedNotification);
}

void X11Accessibility::scheduleClientListCheck() {
    if (clientListCheckPending_) return;
    clientListCheckPending_ = true;
    std::weak_ptr<bool> alive = alive_;
    platform().runLoop->post([this, alive] {
        auto a = alive.lock();
        if (!a || !*a) return;
        clientListCheckPending_ = false;
        checkClientList();
    });
}

void X11Accessibility::checkClientList() {
    auto list = windows_.clients();
    std::set<Window> now(list.begin(), list.end());
    for (Window w : list) {
        if (knownClients_.count(w)) continue;
        if (auto pid = windows_.pid(w))
            deliver(applicationElement(*pid), port::ax::windowCreatedNotification,
                    windowElement(w));
    }
    // A withdrawn window is gone for the program, even if the client keeps it for later.
    for (Window w : knownClients_)
        if (!now.count(w) && watched_.count(w)) {
            clientOfFrame_.erase(watched_[w].frame);
            watched_.erase(w);
            deliver(windowElement(w), port::ax::destroyedNotification);
        }
    knownClients_ = std::move(now);
}

void X11Accessibility::deliver(port::AXElement registeredOn, const std::string& notification,
                               std::optional<port::AXElement> subject) {
    // Callbacks may create or destroy observers: walk a snapshot.
    std::vector<port::AXObserverId> ids;
    for (const auto& [id, o] : observers_)
        if (o.registrations.count({registeredOn.id, notification})) ids.push_back(id);
    for (auto id : ids)
        if (auto it = observers_.find(id); it != observers_.end()) {
            auto callback = it->second.callback;
            callback(subject.value_or(registeredOn), notification);
        }
}

}  // namespace kelvra::x11
