#include "backends/x11/X11MouseEvents.h"

#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <array>

#include "backends/x11/X11Connection.h"

namespace kelvra::x11 {

X11MouseEvents::X11MouseEvents(X11Connection& connection) : connection_(connection) {}

X11MouseEvents::~X11MouseEvents() {
    stop();
}

Subscription X11MouseEvents::onEvent(std::function<void(const port::MouseEvent&)> listener) {
    return events_.connect(std::move(listener));
}

bool X11MouseEvents::start() {
    Display* display = connection_.display();
    if (!connection_.isOpen()) return false;
    if (xiOpcode_ < 0) {
        int event = 0, error = 0;
        if (!XQueryExtension(display, "XInputExtension", &xiOpcode_, &event, &error)) {
            xiOpcode_ = -1;
            return false;
        }
        // Raw events reach clients other than the grabbing one from version 2.1 on.
        int major = 2, minor = 2;
        if (XIQueryVersion(display, &major, &minor) != Success || (major == 2 && minor < 1)) {
            xiOpcode_ = -1;
            return false;
        }
    }
    stop();
    connection_.clearError();
    selectRawEvents(true, false);
    if (!connection_.checkedSync()) return false;
    findFunctionKeyMask();
    leftDown_ = false;
    listener_ = connection_.addListener([this](const XEvent& event) { onEvent(event); });
    return true;
}

void X11MouseEvents::stop() {
    if (!listener_.active()) return;
    listener_.cancel();
    if (connection_.isOpen()) {
        connection_.clearError();
        selectRawEvents(false, false);
        connection_.checkedSync();
    }
    leftDown_ = false;
}

void X11MouseEvents::selectRawEvents(bool buttons, bool motion) {
    std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> mask{};
    if (buttons) {
        XISetMask(mask.data(), XI_RawButtonPress);
        XISetMask(mask.data(), XI_RawButtonRelease);
    }
    if (motion) XISetMask(mask.data(), XI_RawMotion);
    XIEventMask eventMask{XIAllMasterDevices, static_cast<int>(mask.size()), mask.data()};
    XISelectEvents(connection_.display(), connection_.root(), &eventMask, 1);
    motionSelected_ = motion;
}

// Motion is asked for only while the left button is down: an idle pointer then sends
// this program nothing at all. Turning it on waits for the server (one round trip per
// press), so that no movement after the press can be missed, since the server serves
// other clients' input in between; motion that still arrives after the release is
// dropped.
void X11MouseEvents::followMotion(bool on) {
    if (motionSelected_ == on || !connection_.isOpen()) return;
    selectRawEvents(true, on);
    if (on) {
        XSync(connection_.display(), False);
    } else {
        XFlush(connection_.display());
    }
}

void X11MouseEvents::findFunctionKeyMask() {
    Display* display = connection_.display();
    XModifierKeymap* map = XGetModifierMapping(display);
    if (!map) {
        functionKeyMask_ = ShiftMask;
        return;
    }
    auto modifierOf = [&](::KeySym keysym) -> int {
        const KeyCode code = XKeysymToKeycode(display, keysym);
        if (code == 0) return -1;
        for (int mod = 0; mod < 8; ++mod) {
            for (int k = 0; k < map->max_keypermod; ++k) {
                if (map->modifiermap[mod * map->max_keypermod + k] == code) return mod;
            }
        }
        return -1;
    };
    auto hasKeys = [&](int mod) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[mod * map->max_keypermod + k] != 0) return true;
        }
        return false;
    };
    int hyper = modifierOf(XK_Hyper_L);
    if (hyper < 0) hyper = modifierOf(XK_Hyper_R);
    const int super = modifierOf(XK_Super_L);
    // Hyper sharing Super's modifier would also be the command key of our shortcuts,
    // which window managers commonly use for dragging; such a Hyper is no stand-in.
    if (hyper >= Mod1MapIndex && hyper != super) {
        functionKeyMask_ = 1u << hyper;
    } else if (hasKeys(Mod3MapIndex)) {
        functionKeyMask_ = Mod3Mask;
    } else {
        functionKeyMask_ = ShiftMask;
    }
    XFreeModifiermap(map);
}

void X11MouseEvents::onEvent(const XEvent& event) {
    if (event.type == MappingNotify && event.xmapping.request == MappingModifier) {
        findFunctionKeyMask();
        return;
    }
    if (event.type != GenericEvent || event.xcookie.extension != xiOpcode_) return;
    const int type = event.xcookie.evtype;
    if (type != XI_RawButtonPress && type != XI_RawButtonRelease && type != XI_RawMotion) return;
    // Motion matters only while the button is down; asking the server about every
    // movement of an idle pointer would be wasted round trips.
    if (type == XI_RawMotion) {
        if (!leftDown_) return;
        // A burst of movement already queued is one position: the server is asked once,
        // and the newest position is all that matters.
        XEvent later;
        while (XCheckIfEvent(connection_.display(), &later, &X11MouseEvents::isRawMotion,
                             reinterpret_cast<XPointer>(this))) {
        }
    }

    Window rootReturn = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int state = 0;
    // The logical button state, so that a left-handed button mapping is respected.
    if (!XQueryPointer(connection_.display(), connection_.root(), &rootReturn, &child, &rootX,
                       &rootY, &winX, &winY, &state)) {
        return;  // the pointer is on another screen of the display
    }
    const Point location = connection_.toPort(Point{double(rootX), double(rootY)});
    const bool down = (state & Button1Mask) != 0;
    port::MouseEvent out;
    out.location = location;
    out.functionKey = (state & functionKeyMask_) != 0;
    if (!down && leftDown_ && location != lastLocation_) {
        // The last movement was read together with the release: it is still part of
        // the drag, and comes first.
        port::MouseEvent moved = out;
        moved.type = port::MouseEvent::Type::leftDragged;
        lastLocation_ = location;
        events_.emit(moved);
        if (!listener_.active()) return;  // a listener stopped the source
    }
    if (down && !leftDown_) {
        out.type = port::MouseEvent::Type::leftDown;
    } else if (!down && leftDown_) {
        out.type = port::MouseEvent::Type::leftUp;
    } else if (down && type == XI_RawMotion && location != lastLocation_) {
        out.type = port::MouseEvent::Type::leftDragged;
    } else {
        return;
    }
    leftDown_ = down;
    lastLocation_ = location;
    followMotion(down);
    // A listener may stop the source; nothing here touches members after the call.
    events_.emit(out);
}

Bool X11MouseEvents::isRawMotion(Display*, XEvent* event, XPointer self) {
    const auto* source = reinterpret_cast<const X11MouseEvents*>(self);
    return event->type == GenericEvent && event->xcookie.extension == source->xiOpcode_ &&
           event->xcookie.evtype == XI_RawMotion;
}

}  // namespace kelvra::x11
