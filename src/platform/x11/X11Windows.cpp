#include "platform/x11/X11Windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>

#include "platform/x11/X11Properties.h"
#include "platform/x11/pure/WindowKind.h"

namespace kelvra::x11 {

namespace {

bool hasWmState(X11Connection& c, Window w) {
    Atom wmState = c.atom("WM_STATE");
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    c.clearError();
    bool found = XGetWindowProperty(c.display(), w, wmState, 0, 2, False, wmState, &type, &format,
                                    &count, &after, &data) == Success &&
                 type == wmState;
    if (data) XFree(data);
    return found;
}

// The first window at or below `w` that a window manager marked as a client.
Window findClient(X11Connection& c, Window w, int depth) {
    if (hasWmState(c, w)) return w;
    if (depth == 0) return None;
    Window rootReturn, parent;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(c.display(), w, &rootReturn, &parent, &children, &count)) return None;
    Window found = None;
    for (unsigned int i = count; i-- > 0 && found == None;)
        found = findClient(c, children[i], depth - 1);
    if (children) XFree(children);
    return found;
}

}  // namespace

std::vector<Window> X11Windows::scanTopLevels() {
    std::vector<Window> result;
    if (!c_.isOpen()) return result;
    Window rootReturn, parent;
    Window* children = nullptr;
    unsigned int count = 0;
    c_.clearError();
    if (!XQueryTree(c_.display(), c_.root(), &rootReturn, &parent, &children, &count))
        return result;
    for (unsigned int i = 0; i < count; ++i) {
        // A window manager that speaks only the older conventions marks its clients
        // inside its frames; with no manager at all the mapped top-levels are the clients.
        if (Window client = findClient(c_, children[i], 2); client != None) {
            result.push_back(client);
            continue;
        }
        XWindowAttributes attrs;
        if (XGetWindowAttributes(c_.display(), children[i], &attrs) && !attrs.override_redirect &&
            attrs.map_state == IsViewable && attrs.c_class == InputOutput)
            result.push_back(children[i]);
    }
    if (children) XFree(children);
    return result;
}

std::vector<Window> X11Windows::stacking() {
    if (c_.hasWindowManager()) {
        auto list = readWindows(c_, c_.root(), "_NET_CLIENT_LIST_STACKING");
        if (!list.empty()) return list;
        return readWindows(c_, c_.root(), "_NET_CLIENT_LIST");
    }
    return scanTopLevels();
}

std::vector<Window> X11Windows::clients() {
    if (c_.hasWindowManager()) {
        auto list = readWindows(c_, c_.root(), "_NET_CLIENT_LIST");
        if (!list.empty()) return list;
        return readWindows(c_, c_.root(), "_NET_CLIENT_LIST_STACKING");
    }
    return scanTopLevels();
}

std::optional<Window> X11Windows::activeWindow() {
    if (c_.hasWindowManager()) {
        auto list = readWindows(c_, c_.root(), "_NET_ACTIVE_WINDOW");
        if (list.empty() || list.front() == None) return std::nullopt;
        return list.front();
    }
    // Without a manager the keyboard focus tells which window is in front.
    Window focus = None;
    int revert = 0;
    XGetInputFocus(c_.display(), &focus, &revert);
    if (focus == None || focus == PointerRoot || focus == c_.root()) return std::nullopt;
    Window top = topLevel(focus);
    for (Window w : clients())
        if (w == focus || topLevel(w) == top) return w;
    return std::nullopt;
}

bool X11Windows::exists(Window w) {
    if (!c_.isOpen() || w == None) return false;
    XWindowAttributes attrs;
    c_.clearError();
    return XGetWindowAttributes(c_.display(), w, &attrs) != 0 && c_.lastError() == 0;
}

bool X11Windows::isViewable(Window w) {
    if (!c_.isOpen() || w == None) return false;
    XWindowAttributes attrs;
    c_.clearError();
    return XGetWindowAttributes(c_.display(), w, &attrs) && attrs.map_state == IsViewable;
}

std::optional<int32_t> X11Windows::pid(Window w) {
    auto v = readCardinals(c_, w, "_NET_WM_PID");
    if (!v || v->empty() || (*v)[0] <= 0) return std::nullopt;
    return static_cast<int32_t>((*v)[0]);
}

std::optional<Rect> X11Windows::clientArea(Window w) {
    if (!c_.isOpen() || w == None) return std::nullopt;
    XWindowAttributes attrs;
    c_.clearError();
    if (!XGetWindowAttributes(c_.display(), w, &attrs)) return std::nullopt;
    int x = 0, y = 0;
    Window child;
    if (!XTranslateCoordinates(c_.display(), w, c_.root(), 0, 0, &x, &y, &child) ||
        c_.lastError() != 0)
        return std::nullopt;
    return Rect(x, y, attrs.width, attrs.height);
}

Extents X11Windows::readExtents(Window w, const char* property) {
    auto v = readCardinals(c_, w, property);
    if (!v || v->size() < 4) return {};
    return Extents{static_cast<double>((*v)[0]), static_cast<double>((*v)[1]),
                   static_cast<double>((*v)[2]), static_cast<double>((*v)[3])};
}

Extents X11Windows::decorations(Window w) {
    if (c_.hasWindowManager()) return readExtents(w, "_NET_FRAME_EXTENTS");
    // Without a manager nobody draws decorations, whatever a stale property says; the
    // window's own border is all there is around it.
    XWindowAttributes attrs;
    c_.clearError();
    if (!XGetWindowAttributes(c_.display(), w, &attrs)) return {};
    double b = attrs.border_width;
    return Extents{b, b, b, b};
}

Extents X11Windows::shadows(Window w) {
    return readExtents(w, "_GTK_FRAME_EXTENTS");
}

std::optional<Rect> X11Windows::frame(Window w) {
    auto area = clientArea(w);
    if (!area) return std::nullopt;
    return outerFrame(*area, decorations(w), shadows(w));
}

Window X11Windows::topLevel(Window w) {
    Window current = w;
    for (int i = 0; i < 16 && c_.isOpen(); ++i) {
        Window rootReturn, parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        c_.clearError();
        if (!XQueryTree(c_.display(), current, &rootReturn, &parent, &children, &count)) return w;
        if (children) XFree(children);
        if (parent == c_.root() || parent == None) return current;
        current = parent;
    }
    return w;
}

std::vector<std::string> X11Windows::types(Window w) {
    std::vector<std::string> names;
    for (Atom a : readAtoms(c_, w, "_NET_WM_WINDOW_TYPE")) names.push_back(c_.atomName(a));
    return names;
}

bool X11Windows::isTransient(Window w) {
    if (!c_.isOpen()) return false;
    Window owner = None;
    c_.clearError();
    return XGetTransientForHint(c_.display(), w, &owner) && c_.lastError() == 0;
}

std::string X11Windows::subrole(Window w) {
    return subroleFor(types(w), isTransient(w));
}

bool X11Windows::hasState(Window w, const char* state) {
    auto states = readAtoms(c_, w, "_NET_WM_STATE");
    return std::find(states.begin(), states.end(), c_.atom(state)) != states.end();
}

bool X11Windows::isMinimized(Window w) {
    if (hasState(w, "_NET_WM_STATE_HIDDEN")) return true;
    Atom wmState = c_.atom("WM_STATE");
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    c_.clearError();
    bool iconic = false;
    if (XGetWindowProperty(c_.display(), w, wmState, 0, 2, False, wmState, &type, &format, &count,
                           &after, &data) == Success &&
        data && format == 32 && count >= 1)
        iconic = reinterpret_cast<long*>(data)[0] == IconicState;
    if (data) XFree(data);
    return iconic;
}

std::optional<std::string> X11Windows::title(Window w) {
    if (auto name = readUtf8(c_, w, "_NET_WM_NAME")) return name;
    return readWmName(c_, w);
}

}  // namespace kelvra::x11
