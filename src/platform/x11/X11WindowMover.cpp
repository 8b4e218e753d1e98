#include "platform/x11/X11WindowMover.h"

#include <X11/Xutil.h>
#include <poll.h>

#include <chrono>

#include "platform/x11/pure/FrameGeometry.h"

namespace kelvra::x11 {

namespace {

constexpr long sourcePager = 2;  // direct user action: managers honour it without questions

struct AnswerScan {
    Window client;
    Window frame;
    unsigned long sinceSerial;
    Atom frameExtents;
    Atom state;
    bool seen = false;
};

// Looks through the queued events without taking any: other listeners still get them.
Bool peekAnswer(Display*, XEvent* e, XPointer arg) {
    auto* scan = reinterpret_cast<AnswerScan*>(arg);
    if (e->xany.serial < scan->sinceSerial) return False;
    if (e->type == ConfigureNotify &&
        (e->xconfigure.window == scan->client || e->xconfigure.window == scan->frame))
        scan->seen = true;
    if (e->type == PropertyNotify && e->xproperty.window == scan->client &&
        (e->xproperty.atom == scan->frameExtents || e->xproperty.atom == scan->state))
        scan->seen = true;
    return False;
}

double seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace


void X11WindowMover::leaveMaximizedAndFullscreen(Window w) {
    constexpr long remove = 0;
    bool vert = windows_.hasState(w, "_NET_WM_STATE_MAXIMIZED_VERT");
    bool horz = windows_.hasState(w, "_NET_WM_STATE_MAXIMIZED_HORZ");
    // Managers ignore moves of maximized windows, or restore the old size over them.
    if (vert || horz)
        c_.sendRootMessage(
            w, "_NET_WM_STATE", remove, static_cast<long>(c_.atom("_NET_WM_STATE_MAXIMIZED_VERT")),
            static_cast<long>(c_.atom("_NET_WM_STATE_MAXIMIZED_HORZ")), sourcePager, 0);
    if (windows_.hasState(w, "_NET_WM_STATE_FULLSCREEN"))
        c_.sendRootMessage(w, "_NET_WM_STATE", remove,
                          static_cast<long>(c_.atom("_NET_WM_STATE_FULLSCREEN")), 0, sourcePager,
                          0);
}

bool X11WindowMover::setFrame(Window w, const Rect& target, double timeoutSeconds) {
    if (!c_.isOpen() || !target.isFinite() || target.width <= 0 || target.height <= 0) return false;
    auto current = windows_.frame(w);
    if (!current) return false;
    if (current->approximatelyEquals(target, 0.5)) return true;

    Window frame = windows_.topLevel(w);
    c_.addEventMask(w, StructureNotifyMask | PropertyChangeMask);
    if (frame != w) c_.addEventMask(frame, StructureNotifyMask);

    bool managed = c_.hasWindowManager();
    Extents decorations = windows_.decorations(w);
    Extents shadows = windows_.shadows(w);
    MoveResizeRequest r = requestFor(target, decorations, shadows);
    // What the manager will grant, by the client's own size rules: when that is what
    // the window already has, there is nothing to ask and no answer to wait for.
    // Without a manager nothing enforces those rules: the window gets what we ask.
    Size granted =
        managed ? constrainedSize({r.width, r.height}, sizeHints(w)) : Size{r.width, r.height};
    Rect expected = outerFrame(
        Rect(r.x + decorations.left, r.y + decorations.top, granted.width, granted.height),
        decorations, shadows);
    bool maximized = windows_.hasState(w, "_NET_WM_STATE_MAXIMIZED_VERT") ||
                     windows_.hasState(w, "_NET_WM_STATE_MAXIMIZED_HORZ") ||
                     windows_.hasState(w, "_NET_WM_STATE_FULLSCREEN");
    if (!maximized && current->approximatelyEquals(expected, 0.5)) return true;

    unsigned long serial = NextRequest(c_.display());
    c_.clearError();
    if (managed) {
        leaveMaximizedAndFullscreen(w);
        constexpr long northWestGravity = 1;
        constexpr long allFields = (1 << 8) | (1 << 9) | (1 << 10) | (1 << 11);
        c_.sendRootMessage(w, "_NET_MOVERESIZE_WINDOW",
                          northWestGravity | allFields | (sourcePager << 12),
                          static_cast<long>(r.x), static_cast<long>(r.y),
                          static_cast<long>(r.width), static_cast<long>(r.height));
    } else {
        XMoveResizeWindow(c_.display(), w, static_cast<int>(r.x), static_cast<int>(r.y),
                          static_cast<unsigned>(r.width), static_cast<unsigned>(r.height));
    }
    if (!c_.checkedSync()) return false;
    awaitAnswer(w, target, expected, serial, timeoutSeconds);
    c_.scheduleDispatch();
    return true;
}

SizeHints X11WindowMover::sizeHints(Window w) {
    SizeHints result;
    XSizeHints hints{};
    long supplied = 0;
    c_.clearError();
    if (!XGetWMNormalHints(c_.display(), w, &hints, &supplied)) return result;
    if (hints.flags & PMinSize) {
        result.minWidth = hints.min_width;
        result.minHeight = hints.min_height;
    }
    if ((hints.flags & PMaxSize) && hints.max_width > 0 && hints.max_height > 0) {
        result.maxWidth = hints.max_width;
        result.maxHeight = hints.max_height;
    }
    if (hints.flags & PBaseSize) {
        result.baseWidth = hints.base_width;
        result.baseHeight = hints.base_height;
    }
    if ((hints.flags & PResizeInc) && hints.width_inc > 0 && hints.height_inc > 0) {
        result.widthIncrement = hints.width_inc;
        result.heightIncrement = hints.height_inc;
    }
    return result;
}

void X11WindowMover::awaitAnswer(Window w, const Rect& target, const Rect& expected,
                                 unsigned long sinceSerial, double timeoutSeconds) {
    AnswerScan scan{w, windows_.topLevel(w), sinceSerial, c_.atom("_NET_FRAME_EXTENTS"),
                    c_.atom("_NET_WM_STATE")};
    double deadline = seconds() + timeoutSeconds;
    double settleUntil = 0;
    while (c_.isOpen()) {
        XSync(c_.display(), False);
        int queuedBefore = QLength(c_.display());
        auto frame = windows_.frame(w);
        if (!frame) return;  // gone meanwhile
        if (frame->approximatelyEquals(target, 0.5) || frame->approximatelyEquals(expected, 0.5))
            return;
        XEvent unused;
        XCheckIfEvent(c_.display(), &unused, &peekAnswer, reinterpret_cast<XPointer>(&scan));
        double now = seconds();
        // The manager answered but gave another frame: let a follow-up configure
        // (a move after a resize, say) arrive, then take what is there.
        if (scan.seen && settleUntil == 0) settleUntil = now + 0.02;
        if ((settleUntil != 0 && now >= settleUntil) || now >= deadline) return;
        // The reads above may have pulled the answer into Xlib's queue, where the
        // socket no longer shows it: look again at once instead of sleeping.
        if (QLength(c_.display()) > queuedBefore) continue;
        pollfd p{c_.fd(), POLLIN, 0};
        poll(&p, 1, 5);
    }
}

}  // namespace kelvra::x11
