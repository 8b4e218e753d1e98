#include "backends/x11/X11GroupStacking.h"

#include <algorithm>

#include "backends/x11/X11Connection.h"
#include "port/Platform.h"

namespace kelvra::x11 {

X11GroupStacking::X11GroupStacking(X11Connection& connection) : c_(connection) {}

X11GroupStacking::~X11GroupStacking() {
    lifetime_.end();
}

void X11GroupStacking::keepAbove(unsigned long panel, const std::vector<port::WindowRef>& group) {
    if (group.empty()) {
        panels_.erase(panel);
        return;
    }
    panels_[panel] = group;
    if (!listener_.active() && c_.isOpen()) {
        c_.addEventMask(c_.root(), SubstructureNotifyMask);
        listener_ = c_.addListener([this](const XEvent& e) {
            const bool restacked =
                (e.type == ConfigureNotify || e.type == MapNotify) && e.xany.window == c_.root();
            if (restacked && !panels_.empty()) scheduleRestack();
        });
    }
    restackAll();
}

void X11GroupStacking::scheduleRestack() {
    if (scheduled_) return;
    scheduled_ = true;
    // Once for all the news of one turn (a raise comes with several configures).
    platform().runLoop->post(lifetime_.guard([this] {
        scheduled_ = false;
        restackAll();
    }));
}

unsigned long X11GroupStacking::topLevelOf(unsigned long window) {
    Window current = window;
    for (int depth = 0; depth < 16; ++depth) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(c_.display(), current, &root, &parent, &children, &count)) return 0;
        if (children) XFree(children);
        if (parent == root || parent == 0) return current;
        current = parent;
    }
    return 0;
}

void X11GroupStacking::restackAll() {
    if (!c_.isOpen() || panels_.empty()) return;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(c_.display(), c_.root(), &root, &parent, &children, &count)) return;
    // Bottom to top.
    std::vector<Window> order(children, children + count);
    if (children) XFree(children);
    const auto position = [&order](Window w) {
        return std::find(order.begin(), order.end(), w) - order.begin();
    };
    for (const auto& [panel, group] : panels_) {
        Window top = 0;
        long topAt = -1;
        for (const port::WindowRef& member : group) {
            const Window frame = topLevelOf(static_cast<Window>(member.id));
            const long at = frame ? long(position(frame)) : -1;
            if (at < long(order.size()) && at > topAt) {
                topAt = at;
                top = frame;
            }
        }
        const long panelAt = long(position(panel));
        // Already just above it: nothing to send (our own restack comes back as news).
        if (!top || panelAt == long(order.size()) || panelAt == topAt + 1) continue;
        XWindowChanges changes{};
        changes.sibling = top;
        changes.stack_mode = Above;
        XConfigureWindow(c_.display(), panel, CWSibling | CWStackMode, &changes);
    }
    XFlush(c_.display());
}

}  // namespace kelvra::x11
