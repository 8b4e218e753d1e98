#include "backends/x11/X11Screens.h"

#include <memory>
#include <optional>

#include "backends/x11/X11Properties.h"
#include "backends/x11/pure/StrutGeometry.h"
#include "port/Platform.h"

namespace kelvra::x11 {

X11Screens::X11Screens(X11Connection& connection) : c_(connection), windows_(connection) {
    if (!c_.isOpen()) return;
    // Docks come and go with the client list; their struts change as properties.
    c_.addEventMask(c_.root(), PropertyChangeMask | SubstructureNotifyMask);
    listener_ = c_.addListener([this](const XEvent& e) { onEvent(e); });
    lastSeen_ = screens();
}

X11Screens::~X11Screens() {
    lifetime_.end();
    listener_.cancel();
}

std::vector<port::PlatformScreen> X11Screens::screens() {
    if (!cache_ || !c_.isOpen()) cache_ = readScreens();
    return *cache_;
}

std::optional<Point> X11Screens::pointerLocation() {
    if (!c_.isOpen()) return std::nullopt;
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int state = 0;
    // False when the pointer is on another screen of the display: nothing to tell then.
    if (!XQueryPointer(c_.display(), c_.root(), &root, &child, &rootX, &rootY, &winX, &winY,
                       &state))
        return std::nullopt;
    return c_.toPort(Point{double(rootX), double(rootY)});
}

std::vector<port::PlatformScreen> X11Screens::readScreens() {
    std::vector<port::PlatformScreen> result;
    if (!c_.isOpen()) return result;
    std::vector<Monitor> monitors = c_.monitors();
    Rect root = c_.rootBounds();
    std::vector<Strut> struts;
    for (Window w : windows_.clients()) {
        // So that a dock changing its strut later is seen.
        c_.addEventMask(w, PropertyChangeMask);
        if (auto v = readCardinals(c_, w, "_NET_WM_STRUT_PARTIAL"); v && v->size() >= 12) {
            long values[12];
            std::copy_n(v->begin(), 12, values);
            struts.push_back(Strut::partial(values));
        } else if (auto v4 = readCardinals(c_, w, "_NET_WM_STRUT"); v4 && v4->size() >= 4) {
            long values[4];
            std::copy_n(v4->begin(), 4, values);
            struts.push_back(Strut::full(values, root));
        }
    }
    // The manager's work area for the current desktop, where it announces one.
    std::optional<Rect> workArea;
    if (auto area = readCardinals(c_, c_.root(), "_NET_WORKAREA")) {
        auto desktop = readCardinals(c_, c_.root(), "_NET_CURRENT_DESKTOP");
        const size_t at = 4 * size_t(desktop && !desktop->empty() ? (*desktop)[0] : 0);
        if (area->size() >= at + 4)
            workArea = Rect(double((*area)[at]), double((*area)[at + 1]), double((*area)[at + 2]),
                            double((*area)[at + 3]));
    }
    for (const Monitor& m : monitors) {
        port::PlatformScreen s;
        s.id = m.id;
        s.name = m.name;
        s.builtIn = m.builtIn;
        s.frame = c_.toPort(m.root);
        Rect visible = visibleFrameOf(m.root, root, struts);
        if (workArea) {
            const Rect cut = visible.intersection(workAreaPartOf(m.root, root, *workArea));
            if (cut.width > 0 && cut.height > 0) visible = cut;
        }
        s.visibleFrame = c_.toPort(visible);
        result.push_back(s);
    }
    return result;
}

Subscription X11Screens::onScreensChanged(std::function<void()> callback) {
    return changed_.connect(std::move(callback));
}

void X11Screens::onEvent(const XEvent& e) {
    if (c_.isRandrEvent(e) || (e.type == ConfigureNotify && e.xconfigure.window == c_.root())) {
        cache_.reset();
        return scheduleNotify(false);
    }
    if (e.type == PropertyNotify) {
        Atom a = e.xproperty.atom;
        if (a == c_.atom("_NET_WM_STRUT_PARTIAL") || a == c_.atom("_NET_WM_STRUT") ||
            (e.xproperty.window == c_.root() &&
             (a == c_.atom("_NET_CLIENT_LIST") || a == c_.atom("_NET_WORKAREA") ||
              a == c_.atom("_NET_CURRENT_DESKTOP")))) {
            cache_.reset();
            scheduleNotify(true);
        }
        return;
    }
    // Without a window manager a dock shows up as a mapped top-level window.
    if ((e.type == MapNotify || e.type == UnmapNotify || e.type == DestroyNotify) &&
        e.xany.window == c_.root()) {
        cache_.reset();
        scheduleNotify(true);
    }
}

void X11Screens::scheduleNotify(bool onlyIfChanged) {
    if (changed_.empty()) return;
    notifyAlways_ = notifyAlways_ || !onlyIfChanged;
    if (notifyPending_) return;
    notifyPending_ = true;
    // A burst of events is one change for the program.
    platform().runLoop->post(lifetime_.guard([this] {
        notifyPending_ = false;
        // Windows come and go all the time; only a dock among them changes the screens.
        cache_.reset();
        auto now = screens();
        bool changed = notifyAlways_ || now != lastSeen_;
        notifyAlways_ = false;
        lastSeen_ = std::move(now);
        if (!changed) return;
        changed_.emit();
    }));
}

}  // namespace kelvra::x11
