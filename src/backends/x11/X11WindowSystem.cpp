#include "backends/x11/X11WindowSystem.h"

// Qt's headers before Xlib's, whose macros would break them.
#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

#include "backends/x11/X11ClickWatch.h"
#include "backends/x11/X11GroupStacking.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <string>

#include "backends/x11/VirtualKeyCodes.h"
#include "backends/x11/X11Connection.h"
#include "backends/x11/X11Properties.h"

namespace kelvra::x11 {

namespace {

// Waits until the server has handled what the toolkit sent so far on its own
// connection (the map of the window to grab for among it).
void syncToolkitConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* c = x11->connection();
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

uint64_t flagsOf(unsigned int state) {
    uint64_t flags = 0;
    if (state & ShiftMask) flags |= port::modifierFlags::shift;
    if (state & ControlMask) flags |= port::modifierFlags::control;
    if (state & Mod1Mask) flags |= port::modifierFlags::alt;
    if (state & Mod4Mask) flags |= port::modifierFlags::super;
    return flags;
}

// What the key types, as UTF-8 (Xlib gives Latin-1).
std::string typedText(XKeyEvent key) {
    char latin1[16] = {};
    KeySym keysym = 0;
    int n = XLookupString(&key, latin1, sizeof latin1, &keysym, nullptr);
    std::string typed;
    for (int i = 0; i < n; ++i) {
        auto c = static_cast<unsigned char>(latin1[i]);
        if (c >= 0x20 && c != 0x7f)
            typed += static_cast<char>(c);  // control characters type nothing
    }
    return latin1ToUtf8(typed);
}

// An active grab on the main connection (the one whose hot key opened the panel, so
// the hot key's own grab passes over to it).
class X11KeyboardGrab final : public port::KeyboardGrab {
  public:
    X11KeyboardGrab(X11Connection& connection, const VirtualKeyCodes* keys, ::Window window)
        : connection_(connection), keys_(keys), window_(window) {
        connection_.addEventMask(window_, FocusChangeMask);
        listener_ = connection_.addListener([this](const XEvent& event) { onEvent(event); });
    }

    ~X11KeyboardGrab() override {
        listener_.cancel();
        if (!held_ || !connection_.isOpen()) return;
        XUngrabKeyboard(connection_.display(), CurrentTime);
        XFlush(connection_.display());
    }

    bool take() {
        held_ = XGrabKeyboard(connection_.display(), window_, False, GrabModeAsync, GrabModeAsync,
                              CurrentTime) == GrabSuccess;
        return held_;
    }

  private:
    void onEvent(const XEvent& event) {
        if (event.type == FocusOut && event.xfocus.window == window_ &&
            event.xfocus.mode == NotifyUngrab && held_) {
            held_ = false;
            lost.emit();
            return;
        }
        if (event.type != KeyPress || event.xkey.window != window_) return;
        std::optional<uint16_t> code;
        auto keycode = static_cast<KeyCode>(event.xkey.keycode);
        if (keys_) {
            code = keys_->virtualKeyFor(keycode);
        } else {
            KeySym keysym = XkbKeycodeToKeysym(connection_.display(), keycode, 0, 0);
            code = VirtualKeyCodes::virtualKeyForUsKeysym(keysym);
        }
        port::KeyEvent pressed;
        pressed.keyCode = code.value_or(0xffff);  // a key without a position: only its text counts
        pressed.modifierFlags = flagsOf(event.xkey.state);
        pressed.characters = typedText(event.xkey);
        // The holder may end the grab, and this object go, while the signal runs.
        key.emit(pressed);
    }

    X11Connection& connection_;
    const VirtualKeyCodes* keys_;
    ::Window window_;
    Subscription listener_;
    bool held_ = false;
};

}  // namespace

X11WindowSystem::X11WindowSystem(X11Connection& connection, const VirtualKeyCodes* keys)
    : connection_(connection),
      keys_(keys),
      stacking_(std::make_unique<X11GroupStacking>(connection)) {}

X11WindowSystem::~X11WindowSystem() = default;

void X11WindowSystem::stackAbove(port::NativeWindow window,
                                 const std::vector<port::WindowRef>& group) {
    // The panel was mapped on the toolkit's connection; it is restacked from this one.
    syncToolkitConnection();
    stacking_->keepAbove(window, group);
}

Point X11WindowSystem::toPort(Point native) {
    return connection_.toPort(native);
}

Point X11WindowSystem::toNative(Point port) {
    return connection_.toRoot(port);
}

Rect X11WindowSystem::toNative(const Rect& port) {
    return connection_.toRoot(port);
}

bool X11WindowSystem::compositingManagerRunning() {
    if (!connection_.isOpen()) return false;
    Display* display = connection_.display();
    const std::string selection = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display));
    return XGetSelectionOwner(display, connection_.atom(selection.c_str())) != None;
}

void X11WindowSystem::markAsPopupMenu(port::NativeWindow window) {
    if (!connection_.isOpen()) return;
    Atom type = connection_.atom("_NET_WM_WINDOW_TYPE_POPUP_MENU");
    XChangeProperty(connection_.display(), window, connection_.atom("_NET_WM_WINDOW_TYPE"), XA_ATOM,
                    32, PropModeReplace, reinterpret_cast<unsigned char*>(&type), 1);
    XFlush(connection_.display());
}

std::unique_ptr<port::InputWatch> X11WindowSystem::watchInput(bool keys) {
    if (!connection_.isOpen()) return nullptr;
    return std::make_unique<X11ClickWatch>(DisplayString(connection_.display()), keys_, keys);
}

std::unique_ptr<port::KeyboardGrab> X11WindowSystem::grabKeyboard(port::NativeWindow window) {
    if (!connection_.isOpen()) return nullptr;
    syncToolkitConnection();
    auto grab = std::make_unique<X11KeyboardGrab>(connection_, keys_, window);
    if (!grab->take()) return nullptr;
    return grab;
}

std::optional<uint16_t> X11WindowSystem::virtualKeyForScanCode(uint32_t scanCode) const {
    // The toolkit's scan codes are the server's keycodes, which fit a byte.
    if (!keys_ || scanCode > 255) return std::nullopt;
    return keys_->virtualKeyFor(static_cast<KeyCode>(scanCode));
}

}  // namespace kelvra::x11
