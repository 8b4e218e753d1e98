#include "backends/x11/X11WindowCommands.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace kelvra::x11 {

namespace {
constexpr long sourcePager = 2;  // direct user action: no focus-stealing prevention
constexpr long sourceApplication = 1;
constexpr long moveResizeMove = 8;
constexpr long moveResizeCancel = 11;
constexpr long leftButton = 1;
}  // namespace

bool X11WindowCommands::activate(Window w) {
    if (!c_.isOpen()) return false;
    c_.clearError();
    if (c_.hasWindowManager()) {
        c_.sendRootMessage(w, "_NET_ACTIVE_WINDOW", sourcePager, CurrentTime,
                           static_cast<long>(windows_.activeWindow().value_or(None)));
    } else {
        XMapRaised(c_.display(), w);
        XSetInputFocus(c_.display(), w, RevertToPointerRoot, CurrentTime);
    }
    return c_.checkedSync();
}

bool X11WindowCommands::close(Window w) {
    if (!c_.isOpen()) return false;
    c_.clearError();
    if (c_.hasWindowManager()) {
        c_.sendRootMessage(w, "_NET_CLOSE_WINDOW", CurrentTime, sourcePager, 0);
        return c_.checkedSync();
    }
    // Without a manager, the close protocol the client itself offers.
    Atom* protocols = nullptr;
    int count = 0;
    bool supportsDelete = false;
    if (XGetWMProtocols(c_.display(), w, &protocols, &count)) {
        for (int i = 0; i < count; ++i)
            supportsDelete = supportsDelete || protocols[i] == c_.atom("WM_DELETE_WINDOW");
        XFree(protocols);
    }
    if (!supportsDelete) return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = c_.atom("WM_PROTOCOLS");
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(c_.atom("WM_DELETE_WINDOW"));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(c_.display(), w, False, NoEventMask, &e);
    return c_.checkedSync();
}

bool X11WindowCommands::managerSupports(const char* atomName) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    c_.clearError();
    if (XGetWindowProperty(c_.display(), c_.root(), c_.atom("_NET_SUPPORTED"), 0, 1 << 16, False,
                           XA_ATOM, &type, &format, &count, &after, &data) != Success ||
        !data) {
        return false;
    }
    bool found = false;
    const Atom wanted = c_.atom(atomName);
    const auto* atoms = reinterpret_cast<const long*>(data);
    for (unsigned long i = 0; i < count && format == 32; ++i)
        found = found || static_cast<Atom>(atoms[i]) == wanted;
    XFree(data);
    return found;
}

std::optional<std::pair<int, int>> X11WindowCommands::pointerWhileLeftDown() {
    Window rootReturn = 0, child = 0;
    int x = 0, y = 0, winX = 0, winY = 0;
    unsigned int state = 0;
    if (!XQueryPointer(c_.display(), c_.root(), &rootReturn, &child, &x, &y, &winX, &winY,
                       &state) ||
        !(state & Button1Mask))
        return std::nullopt;
    return std::pair{x, y};
}

bool X11WindowCommands::interruptMove(Window w) {
    if (!c_.isOpen() || !c_.hasWindowManager() || !managerSupports("_NET_WM_MOVERESIZE"))
        return false;
    auto at = pointerWhileLeftDown();
    if (!at) return false;
    c_.sendRootMessage(w, "_NET_WM_MOVERESIZE", at->first, at->second, moveResizeCancel, leftButton,
                       sourceApplication);
    return true;
}

void X11WindowCommands::resumeMove(Window w) {
    // Released meanwhile: there is no move left to carry on.
    auto at = pointerWhileLeftDown();
    if (!at) return;
    c_.sendRootMessage(w, "_NET_WM_MOVERESIZE", at->first, at->second, moveResizeMove, leftButton,
                       sourceApplication);
    XFlush(c_.display());
}

}  // namespace kelvra::x11
