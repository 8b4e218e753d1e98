#include "backends/x11/X11Connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "backends/x11/X11PropertyCache.h"
#include "port/Platform.h"

namespace kelvra::x11 {

namespace {

// Xlib's error handler is process-wide; it finds the connection by its display.
std::map<Display*, X11Connection*>& connections() {
    static std::map<Display*, X11Connection*> map;
    return map;
}

bool isBuiltInOutputName(const std::string& name) {
    for (const char* prefix : {"eDP", "LVDS", "DSI"})
        if (name.rfind(prefix, 0) == 0) return true;
    return false;
}

}  // namespace

X11Connection::X11Connection(const char* displayName) {
    display_ = XOpenDisplay(displayName);
    if (!display_) {
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        const char* x = std::getenv("DISPLAY");
        if (wayland && *wayland && !(x && *x))
            logLine(
                "this Wayland session offers no X11 display, so other windows cannot be "
                "arranged; log in to an X11 session or enable Xwayland");
        else
            logLine(std::string("cannot open the X display ") + (x ? x : "(DISPLAY is unset)"));
        properties_ = std::make_unique<X11PropertyCache>(*this);
        return;
    }
    connections()[display_] = this;
    XSetErrorHandler(&X11Connection::onError);
    XSetIOErrorExitHandler(display_, &X11Connection::onIOError, this);
    root_ = DefaultRootWindow(display_);
    int errorBase = 0;
    if (XRRQueryExtension(display_, &randrEventBase_, &errorBase)) {
        XRRSelectInput(
            display_, root_,
            RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    } else {
        randrEventBase_ = -1;
    }
    addEventMask(root_, StructureNotifyMask);
    xcb_ = XGetXCBConnection(display_);
    properties_ = std::make_unique<X11PropertyCache>(*this);
}

X11Connection::~X11Connection() {
    lifetime_.end();
    properties_.reset();
    if (!display_) return;
    connections().erase(display_);
    if (!broken_) XCloseDisplay(display_);
}

int X11Connection::fd() const {
    return display_ ? ConnectionNumber(display_) : -1;
}

void X11Connection::clearError() {
    lastError_ = 0;
    // The error handler is one per process, and the toolkit's own X connection puts one
    // in place that drops every error when it starts (after ours): take it back, or a
    // failed request (a key combination another client holds) would look like success.
    XSetErrorHandler(&X11Connection::onError);
}

int X11Connection::onError(Display* display, XErrorEvent* error) {
    auto it = connections().find(display);
    if (it != connections().end()) it->second->lastError_ = error->error_code;
    return 0;
}

void X11Connection::onIOError(Display*, void* self) {
    // The server went away. Xlib would end the process; instead the backend goes quiet.
    auto* connection = static_cast<X11Connection*>(self);
    if (!connection->broken_) logLine("lost the connection to the X server");
    connection->broken_ = true;
}

Atom X11Connection::atom(const char* name) {
    auto it = atoms_.find(name);
    if (it != atoms_.end()) return it->second;
    if (!isOpen()) return None;
    Atom a = XInternAtom(display_, name, False);
    atoms_.emplace(name, a);
    return a;
}

void X11Connection::preloadAtoms(const std::vector<const char*>& names) {
    if (!isOpen()) return;
    std::vector<std::pair<const char*, xcb_intern_atom_cookie_t>> asked;
    for (const char* name : names)
        if (!atoms_.count(name))
            asked.emplace_back(name,
                               xcb_intern_atom(xcb_, 0, static_cast<uint16_t>(strlen(name)), name));
    for (auto& [name, cookie] : asked) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(xcb_, cookie, nullptr);
        if (!reply) continue;
        atoms_.emplace(name, reply->atom);
        names_.emplace(reply->atom, name);
        free(reply);
    }
}

std::string X11Connection::atomName(Atom a) {
    if (!isOpen() || a == None) return {};
    if (auto it = names_.find(a); it != names_.end()) return it->second;
    clearError();
    char* name = XGetAtomName(display_, a);
    if (!name) return {};
    std::string s(name);
    XFree(name);
    // Atoms live as long as the server: a name once known never changes.
    names_.emplace(a, s);
    return s;
}

bool X11Connection::checkedSync() {
    if (!isOpen()) return false;
    XSync(display_, False);
    return lastError_ == 0 && !broken_;
}

Subscription X11Connection::addListener(Listener listener) {
    return events_.connect(std::move(listener));
}

bool X11Connection::isRandrEvent(const XEvent& e) const {
    return randrEventBase_ >= 0 && (e.type == randrEventBase_ + RRScreenChangeNotify ||
                                    e.type == randrEventBase_ + RRNotify);
}

void X11Connection::dispatchPending() {
    while (isOpen() && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (isRandrEvent(event)) {
            XRRUpdateConfiguration(&event);
            primaryOrigin_.reset();
        } else if (event.type == ConfigureNotify && event.xconfigure.window == root_) {
            primaryOrigin_.reset();
        } else if (isManagerNews(event, atom("_NET_SUPPORTING_WM_CHECK"))) {
            managed_.reset();
        }
        if (event.type == DestroyNotify) {
            // Window ids are reused: a later window with this id starts with no selection.
            masks_.erase(event.xdestroywindow.window);
        }
        events_.emit(event);
    }
}

void X11Connection::scheduleDispatch() {
    if (dispatchScheduled_ || !isOpen()) return;
    dispatchScheduled_ = true;
    platform().runLoop->post(lifetime_.guard([this] {
        dispatchScheduled_ = false;
        dispatchPending();
    }));
}

void X11Connection::addEventMask(Window window, long mask) {
    if (!isOpen()) return;
    long& current = masks_[window];
    if ((current | mask) == current && current != 0) return;
    current |= mask;
    XSelectInput(display_, window, current);
}

Rect X11Connection::rootBounds() {
    if (!isOpen()) return Rect();
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(display_, root_, &attrs)) return Rect();
    return Rect(0, 0, attrs.width, attrs.height);
}

std::vector<Monitor> X11Connection::monitors() {
    std::vector<Monitor> result;
    if (!isOpen()) return result;
    if (randrEventBase_ >= 0) {
        int count = 0;
        XRRMonitorInfo* infos = XRRGetMonitors(display_, root_, True, &count);
        XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
        for (int i = 0; infos && i < count; ++i) {
            const XRRMonitorInfo& info = infos[i];
            Monitor m;
            m.id = info.name;
            m.name = atomName(info.name);
            m.root = Rect(info.x, info.y, info.width, info.height);
            m.primary = info.primary;
            m.builtIn = isBuiltInOutputName(m.name);
            for (int o = 0; resources && o < info.noutput && !m.builtIn; ++o) {
                XRROutputInfo* output = XRRGetOutputInfo(display_, resources, info.outputs[o]);
                if (!output) continue;
                m.builtIn = isBuiltInOutputName(std::string(output->name, output->nameLen));
                XRRFreeOutputInfo(output);
            }
            if (m.root.width > 0 && m.root.height > 0) result.push_back(m);
        }
        if (resources) XRRFreeScreenResources(resources);
        if (infos) XRRFreeMonitors(infos);
    }
    if (result.empty()) {
        Monitor whole;
        whole.id = 1;
        whole.name = "screen";
        whole.root = rootBounds();
        whole.primary = true;
        result.push_back(whole);
    }
    // Primary first; without a primary the first monitor stands in for it.
    std::stable_partition(result.begin(), result.end(), [](const Monitor& m) { return m.primary; });
    primaryOrigin_ = result.front().root.origin();
    return result;
}

Point X11Connection::primaryOrigin() {
    if (!primaryOrigin_) monitors();
    return primaryOrigin_.value_or(Point{});
}

Point X11Connection::toPort(Point p) {
    Point o = primaryOrigin();
    return {p.x - o.x, p.y - o.y};
}

Rect X11Connection::toPort(const Rect& r) {
    return Rect(toPort(r.origin()), r.size());
}

Point X11Connection::toRoot(Point p) {
    Point o = primaryOrigin();
    return {p.x + o.x, p.y + o.y};
}

Rect X11Connection::toRoot(const Rect& r) {
    return Rect(toRoot(r.origin()), r.size());
}

bool X11Connection::isManagerNews(const XEvent& event, Atom check) const {
    if (event.type == DestroyNotify)
        return managerCheck_ && event.xdestroywindow.window == managerCheck_;
    return event.type == PropertyNotify && event.xproperty.atom == check &&
           (event.xproperty.window == root_ ||
            (managerCheck_ && event.xproperty.window == managerCheck_));
}

bool X11Connection::hasWindowManager() {
    if (!isOpen()) return false;
    Atom check = atom("_NET_SUPPORTING_WM_CHECK");
    if (managed_) {
        // A hot key may be handled while the news of a manager's start or end still
        // waits in this connection's queue: that news comes first. The scan takes no
        // event; dispatchPending() still delivers them all.
        struct Scan {
            const X11Connection* self;
            Atom check;
            bool found = false;
            static Bool each(Display*, XEvent* e, XPointer p) {
                auto* scan = reinterpret_cast<Scan*>(p);
                scan->found = scan->found || scan->self->isManagerNews(*e, scan->check);
                return False;
            }
        } scan{this, check};
        XEvent unused;
        XCheckIfEvent(display_, &unused, &Scan::each, reinterpret_cast<XPointer>(&scan));
        // What the scan read from the socket no longer wakes the event pump.
        if (XQLength(display_) > 0) scheduleDispatch();
        if (!scan.found) return *managed_;
    }
    auto read = [&](Window w) -> Window {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        Window result = None;
        if (XGetWindowProperty(display_, w, check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                               &after, &data) == Success &&
            data && count == 1 && format == 32)
            result = static_cast<Window>(reinterpret_cast<unsigned long*>(data)[0]);
        if (data) XFree(data);
        return result;
    };
    // A stale check window of a manager that has quit is an expected failure: it must
    // not count against the caller's own requests.
    int saved = lastError_;
    lastError_ = 0;
    Window w = read(root_);
    // Watched before it is read: a starting manager names its check window on the root
    // before it names it on the window itself, and that second step must reach us too.
    // The manager's end destroys its check window; a new one changes the root's property.
    if (w != None) addEventMask(w, PropertyChangeMask | StructureNotifyMask);
    bool running = w != None && read(w) == w;
    if (w != None && lastError_ == BadWindow) masks_.erase(w);  // a manager that has quit
    lastError_ = saved;
    addEventMask(root_, PropertyChangeMask);
    managerCheck_ = w;
    managed_ = running;
    return running;
}

std::string X11Connection::windowManagerName() {
    if (!hasWindowManager()) return {};
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string name;
    int saved = lastError_;
    if (XGetWindowProperty(display_, managerCheck_, atom("_NET_WM_NAME"), 0, 256, False,
                           atom("UTF8_STRING"), &type, &format, &count, &after, &data) == Success &&
        data && format == 8)
        name.assign(reinterpret_cast<const char*>(data), count);
    if (data) XFree(data);
    // The manager may have quit since: not the caller's error.
    lastError_ = saved;
    return name;
}

void X11Connection::sendRootMessage(Window w, const char* type, long l0, long l1, long l2, long l3,
                                    long l4) {
    if (!isOpen()) return;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = atom(type);
    e.xclient.format = 32;
    e.xclient.data.l[0] = l0;
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[2] = l2;
    e.xclient.data.l[3] = l3;
    e.xclient.data.l[4] = l4;
    XSendEvent(display_, root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
}

}  // namespace kelvra::x11
