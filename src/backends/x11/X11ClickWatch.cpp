#include "backends/x11/X11ClickWatch.h"

// Xlib's headers after Qt's, whose names its macros would break.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <array>

#include "backends/x11/VirtualKeyCodes.h"

namespace kelvra::x11 {

X11ClickWatch::X11ClickWatch(const std::string& displayName, const VirtualKeyCodes* keys,
                             bool watchKeys)
    : keys_(keys) {
    display_ = XOpenDisplay(displayName.c_str());
    if (!display_) return;
    int event = 0, error = 0;
    int major = 2, minor = 1;
    if (!XQueryExtension(display_, "XInputExtension", &xiOpcode_, &event, &error) ||
        XIQueryVersion(display_, &major, &minor) != Success || (major == 2 && minor < 1))
        return;
    std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> mask{};
    XISetMask(mask.data(), XI_RawButtonPress);
    if (watchKeys) XISetMask(mask.data(), XI_RawKeyPress);
    XIEventMask eventMask{XIAllMasterDevices, static_cast<int>(mask.size()), mask.data()};
    XISelectEvents(display_, DefaultRootWindow(display_), &eventMask, 1);
    // Done before the caller goes on: input from then on is seen.
    XSync(display_, False);
    notifier_ =
        std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
}

X11ClickWatch::~X11ClickWatch() {
    notifier_.reset();
    if (display_) XCloseDisplay(display_);
}

void X11ClickWatch::readEvents() {
    // Round trips below may queue further events: drain the queue, not just the socket.
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type != GenericEvent || event.xcookie.extension != xiOpcode_) continue;
        int type = event.xcookie.evtype;
        if ((type != XI_RawButtonPress && type != XI_RawKeyPress) ||
            !XGetEventData(display_, &event.xcookie))
            continue;
        int detail = static_cast<XIRawEvent*>(event.xcookie.data)->detail;
        XFreeEventData(display_, &event.xcookie);
        if (type == XI_RawKeyPress) {
            auto keycode = static_cast<KeyCode>(detail);
            auto code = keys_ ? keys_->virtualKeyFor(keycode)
                              : VirtualKeyCodes::virtualKeyForUsKeysym(
                                    XkbKeycodeToKeysym(display_, keycode, 0, 0));
            if (code) keyPressed.emit(*code);
            continue;
        }
        int button = detail;
        if (button < 1 || button > 3) continue;  // wheel turns are no clicks
        ::Window root = 0, child = 0;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned int state = 0;
        XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &x, &y,
                      &state);
        pressed.emit(child);
    }
}

}  // namespace kelvra::x11
