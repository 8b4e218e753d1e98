#include "backends/qt/views/ZonePickerSurface.h"

// Qt's headers before Xlib's, whose macros would break them.
#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "backends/qt/views/SurfacePlacement.h"
#include "backends/qt/views/X11ClickWatch.h"
#include "backends/qt/views/ZonePickerWidget.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "backends/x11/VirtualKeyCodes.h"
#include "backends/x11/X11Connection.h"
#include "port/Platform.h"

namespace kelvra::views {

namespace {

// Retries while another client holds the keyboard (say, a key of its own still down).
constexpr int grabRetryMs = 20;
constexpr int grabAttempts = 50;

// Waits until the server has handled what Qt sent so far (the panel's map among it).
void syncToolkitConnection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* c = x11->connection();
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

uint64_t flagsOf(unsigned int state) {
    uint64_t flags = 0;
    if (state & ShiftMask) flags |= port::modifierFlags::shift;
    if (state & ControlMask) flags |= port::modifierFlags::control;
    if (state & Mod1Mask) flags |= port::modifierFlags::option;
    if (state & Mod4Mask) flags |= port::modifierFlags::command;
    return flags;
}

// What the key types, as UTF-8 (Xlib gives Latin-1).
std::string typedText(XKeyEvent key) {
    char latin1[16] = {};
    KeySym keysym = 0;
    int n = XLookupString(&key, latin1, sizeof latin1, &keysym, nullptr);
    std::string text;
    for (int i = 0; i < n; ++i) {
        auto c = static_cast<unsigned char>(latin1[i]);
        if (c < 0x20 || c == 0x7f) continue;  // control characters type nothing
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else {
            text += static_cast<char>(0xc0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return text;
}

}  // namespace

ZonePickerSurface::ZonePickerSurface(x11::X11Connection& connection,
                                     const x11::VirtualKeyCodes* keys,
                                     const port::ZonePickerModel& model)
    : connection_(connection), keys_(keys), widget_(new ZonePickerWidget(model)) {
    window_ = widget_->winId();
    widgetHover_ = widget_->pointerOnCell.connect([this](const QPointF& global) {
        double ratio = screenPixelRatio();
        Point root{global.x() * ratio, global.y() * ratio};
        pointer_.emit({port::SurfacePointer::Phase::entered, connection_.toPort(root), 1});
    });
    widgetClick_ = widget_->cellClicked.connect(
        [this](const int& cell) { chosen_.emit(std::to_string(cell)); });
    if (connection_.isOpen()) {
        connection_.addEventMask(window_, FocusChangeMask);
        listener_ = connection_.addListener([this](const XEvent& event) { onEvent(event); });
    }
}

ZonePickerSurface::~ZonePickerSurface() {
    listener_.cancel();
    releaseKeyboard();
    widget_->hide();
    widget_->deleteLater();
}

void ZonePickerSurface::setFrame(const Rect& frame) {
    widget_->setGeometry(widgetGeometry(connection_, frame));
}

void ZonePickerSurface::setOpacity(double opacity) {
    widget_->setWindowOpacity(std::clamp(opacity, 0.0, 1.0));
}

void ZonePickerSurface::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (!visible) {
        clickListener_.cancel();
        clicks_.reset();
        releaseKeyboard();
        widget_->hide();
        return;
    }
    widget_->setComposited(compositingManagerRunning(connection_));
    widget_->show();
    widget_->raise();
    // The keyboard first: keys typed right after the shortcut must not go elsewhere.
    grabAttempts_ = 0;
    grabKeyboard();
    if (connection_.isOpen()) {
        clicks_ = std::make_unique<X11ClickWatch>(DisplayString(connection_.display()));
        clickListener_ = clicks_->pressed.connect([this](const unsigned long& window) {
            if (window != window_) postDismissal();
        });
    }
}

void ZonePickerSurface::setModel(const port::SurfaceModel& model) {
    if (auto* zonePicker = std::get_if<port::ZonePickerModel>(&model))
        widget_->setModel(*zonePicker);
}

void ZonePickerSurface::grabKeyboard() {
    if (!visible_ || grabbed_ || !connection_.isOpen()) return;
    syncToolkitConnection();
    int status = XGrabKeyboard(connection_.display(), window_, False, GrabModeAsync, GrabModeAsync,
                               CurrentTime);
    if (status == GrabSuccess) {
        grabbed_ = true;
        return;
    }
    if (++grabAttempts_ < grabAttempts) {
        QTimer::singleShot(grabRetryMs, &guard_, [this] { grabKeyboard(); });
        return;
    }
    logLine("the zone picker cannot take the keyboard: another program holds it");
    postDismissal();
}

void ZonePickerSurface::releaseKeyboard() {
    if (!grabbed_) return;
    grabbed_ = false;
    if (!connection_.isOpen()) return;
    XUngrabKeyboard(connection_.display(), CurrentTime);
    XFlush(connection_.display());
}

void ZonePickerSurface::onEvent(const XEvent& event) {
    if (event.type == FocusOut && event.xfocus.window == window_ &&
        event.xfocus.mode == NotifyUngrab && grabbed_) {
        // Someone else ended the grab (the panel was unmapped, say): the picker is over.
        grabbed_ = false;
        postDismissal();
        return;
    }
    if (event.type != KeyPress || event.xkey.window != window_) return;
    std::optional<uint16_t> code;
    auto keycode = static_cast<x11::KeyCode>(event.xkey.keycode);
    if (keys_) {
        code = keys_->virtualKeyFor(keycode);
    } else {
        KeySym keysym = XkbKeycodeToKeysym(connection_.display(), keycode, 0, 0);
        code = x11::VirtualKeyCodes::virtualKeyForUsKeysym(keysym);
    }
    port::KeyEvent key;
    key.keyCode = code.value_or(0xffff);  // a key without a position: only its text counts
    key.modifierFlags = flagsOf(event.xkey.state);
    key.characters = typedText(event.xkey);
    // The picker may close, and this surface go, while the signal runs.
    this->key_.emit(key);
}

void ZonePickerSurface::postDismissal() {
    QTimer::singleShot(0, &guard_, [this] { dismissed_.emit(); });
}

}  // namespace kelvra::views
