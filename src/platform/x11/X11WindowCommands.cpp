#include "platform/x11/X11WindowCommands.h"

#include <X11/Xutil.h>

namespace kelvra::x11 {

namespace {
constexpr long sourcePager = 2;  // direct user action: no focus-stealing prevention
}

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

}  // namespace kelvra::x11
