#include "backends/x11/X11WindowMover.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "backends/x11/pure/FrameGeometry.h"

namespace kelvra::x11 {

namespace {

constexpr long sourcePager = 2;  // direct user action: managers honour it without questions
// After an answer that is neither the request nor the prediction, how long a
// follow-up configure (a move after a resize, say) may take before we take what is there.
constexpr double settleSeconds = 0.03;
// How long after the manager's last answering event the frame is read back, when the
// events have not shown the predicted frame.
constexpr double quietSeconds = 0.002;

struct AnswerScan {
    Window client;
    Window frame;
    unsigned long sinceSerial;
    Atom frameExtents;
    Atom state;
    // The prediction, as the manager's configure events would report it (root
    // coordinates): the frame window's outer rectangle, and the client's area.
    Rect frameOuter;
    Rect clientArea;
    bool clientSized;  // true from the start when the size does not change
    int answers = 0;
    bool framePlaced = false;
    bool predicted = false;
};

Rect outerOf(const XConfigureEvent& e) {
    return Rect(e.x, e.y, e.width + 2 * e.border_width, e.height + 2 * e.border_width);
}

Rect insideOf(const XConfigureEvent& e) {
    return Rect(e.x + e.border_width, e.y + e.border_width, e.width, e.height);
}

// Counts the manager's answers among the queued events without taking any: the
// listeners still get them all.
Bool countAnswer(Display*, XEvent* e, XPointer arg) {
    auto* scan = reinterpret_cast<AnswerScan*>(arg);
    // Serials are the sequence of our last request the server had processed: an event
    // caused by our request carries its serial or a later one.
    if (static_cast<long>(e->xany.serial - scan->sinceSerial) < 0) return False;
    if (e->type == ConfigureNotify &&
        (e->xconfigure.window == scan->client || e->xconfigure.window == scan->frame)) {
        ++scan->answers;
        const XConfigureEvent& c = e->xconfigure;
        bool reparented = scan->frame != scan->client;
        if (!reparented) {
            // A client that is its own top-level reports its place in root coordinates.
            if (c.window == scan->client && insideOf(c) == scan->clientArea) scan->predicted = true;
        } else if (c.window == scan->client && c.send_event) {
            // The manager's own notice to its client comes after it configured both.
            if (insideOf(c) == scan->clientArea) scan->predicted = true;
        } else if (c.window == scan->client) {
            if (insideOf(c).size() == scan->clientArea.size()) scan->clientSized = true;
        } else if (outerOf(c) == scan->frameOuter) {
            scan->framePlaced = true;
        }
        // The frame window where the user sees it, and the client inside at its size.
        if (scan->framePlaced && scan->clientSized) scan->predicted = true;
    }
    if (e->type == PropertyNotify && e->xproperty.window == scan->client &&
        (e->xproperty.atom == scan->frameExtents || e->xproperty.atom == scan->state))
        ++scan->answers;
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

std::optional<Rect> X11WindowMover::setFrame(Window w, const Rect& target, double timeoutSeconds) {
    if (!c_.isOpen() || !target.isFinite() || target.width <= 0 || target.height <= 0)
        return std::nullopt;
    auto placement = windows_.placement(w);
    if (!placement) return std::nullopt;
    if (placement->frame.approximatelyEquals(target, 0.5)) return placement->frame;

    const bool managed = c_.hasWindowManager();
    std::optional<Rect> result;
    // Leaving the maximized state can change the decorations (managers drop the
    // border of a maximized window); a frame made with the old ones is asked again.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Extents d = placement->decorations;
        const Extents s = placement->shadows;
        MoveResizeRequest r = requestFor(target, d, s);
        // What the manager will grant, by the client's own size rules. The request
        // keeps them itself: without a manager nothing enforces them, and some managers
        // (IceWM) apply a move-resize below the client's minimum; an application
        // squeezed below its minimum cannot draw itself.
        Size granted = constrainedSize({r.width, r.height}, windows_.sizeHints(w));
        Rect expected =
            outerFrame(Rect(r.x + d.left, r.y + d.top, granted.width, granted.height), d, s);
        bool maximized = windows_.hasState(w, "_NET_WM_STATE_MAXIMIZED_VERT") ||
                         windows_.hasState(w, "_NET_WM_STATE_MAXIMIZED_HORZ") ||
                         windows_.hasState(w, "_NET_WM_STATE_FULLSCREEN");
        // Nothing to ask, and no answer to wait for.
        if (!maximized && placement->frame.approximatelyEquals(expected, 0.5))
            return placement->frame;

        Display* display = c_.display();
        if (!managed) {
            // Nobody redirects the request: the server has applied it before it
            // answers the read that follows.
            XMoveResizeWindow(display, w, static_cast<int>(r.x), static_cast<int>(r.y),
                              static_cast<unsigned>(granted.width),
                              static_cast<unsigned>(granted.height));
            // Its configure event is not here yet: the kept area is already old.
            c_.properties().dropArea(w);
            return windows_.frame(w);
        }

        Window frame = windows_.topLevel(w).value_or(w);
        if (frame != w) c_.addEventMask(frame, StructureNotifyMask);
        if (maximized) leaveMaximizedAndFullscreen(w);
        constexpr long northWestGravity = 1;
        constexpr long allFields = (1 << 8) | (1 << 9) | (1 << 10) | (1 << 11);
        c_.sendRootMessage(w, "_NET_MOVERESIZE_WINDOW",
                           northWestGravity | allFields | (sourcePager << 12), std::lround(r.x),
                           std::lround(r.y), std::lround(granted.width),
                           std::lround(granted.height));
        // The request just sent: every answer to it carries this serial or a later one.
        unsigned long sent = NextRequest(display) - 1;
        XFlush(display);
        Prediction prediction{
            expected,
            Rect(r.x, r.y, granted.width + d.left + d.right, granted.height + d.top + d.bottom),
            Rect(r.x + d.left, r.y + d.top, granted.width, granted.height),
            placement->area.rect.size() == granted};
        result = awaitAnswer(w, frame, target, prediction, sent, timeoutSeconds);
        c_.scheduleDispatch();
        if (!result || result->approximatelyEquals(target, 0.5) ||
            result->approximatelyEquals(expected, 0.5) || !maximized)
            return result;
        auto again = windows_.placement(w);
        if (!again) return std::nullopt;
        if (again->decorations == d && again->shadows == s) return again->frame;
        placement = again;
    }
    return result;
}

std::optional<Rect> X11WindowMover::awaitAnswer(Window w, Window frame, const Rect& target,
                                                const Prediction& prediction,
                                                unsigned long sinceSerial, double timeoutSeconds) {
    const Rect& expected = prediction.frame;
    AnswerScan scan{w,
                    frame,
                    sinceSerial,
                    c_.atom("_NET_FRAME_EXTENTS"),
                    c_.atom("_NET_WM_STATE"),
                    prediction.frameWindow,
                    prediction.clientArea,
                    prediction.sizeUnchanged};
    const double deadline = seconds() + timeoutSeconds;
    double settleUntil = 0;
    double quietUntil = 0;
    int answersRead = 0;
    std::optional<Rect> last;
    while (c_.isOpen()) {
        scan.answers = 0;
        XEvent unused;
        // Also reads what the socket holds into the queue, without waiting.
        XCheckIfEvent(c_.display(), &unused, &countAnswer, reinterpret_cast<XPointer>(&scan));
        // The manager reports exactly the frame predicted: no need to read it back.
        if (scan.predicted) return expected;
        double now = seconds();
        if (scan.answers > answersRead) {
            // The manager answers with a few events in a row: give the rest a moment
            // before reading the frame back.
            answersRead = scan.answers;
            quietUntil = now + quietSeconds;
        } else if (quietUntil != 0 && now >= quietUntil) {
            quietUntil = 0;
            auto frame = windows_.frame(w);
            if (!frame) return std::nullopt;  // gone meanwhile
            last = frame;
            if (frame->approximatelyEquals(target, 0.5) ||
                frame->approximatelyEquals(expected, 0.5))
                return frame;
            // The manager answered but gave another frame: a follow-up may come.
            settleUntil = now + settleSeconds;
            continue;  // the read may have brought more events along
        }
        double until = settleUntil != 0 ? std::min(deadline, settleUntil) : deadline;
        if (quietUntil != 0) until = std::min(until, quietUntil);
        if (now >= until) break;
        pollfd p{c_.fd(), POLLIN, 0};
        poll(&p, 1, std::max(1, static_cast<int>(std::ceil((until - now) * 1000))));
    }
    if (last) return last;
    return windows_.frame(w);
}

}  // namespace kelvra::x11
