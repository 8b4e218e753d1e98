#include "backends/wayland/BridgeKeyboardGrab.h"

#include <unistd.h>
#include <QKeyEvent>

#include "backends/wayland/BridgeWindowSystem.h"
#include "port/KeyMonitor.h"

namespace kelvra::wayland {

namespace {

uint64_t flagsOf(Qt::KeyboardModifiers modifiers) {
    uint64_t flags = 0;
    if (modifiers & Qt::ShiftModifier) flags |= port::modifierFlags::shift;
    if (modifiers & Qt::ControlModifier) flags |= port::modifierFlags::control;
    if (modifiers & Qt::AltModifier) flags |= port::modifierFlags::alt;
    if (modifiers & Qt::MetaModifier) flags |= port::modifierFlags::super;
    return flags;
}

}  // namespace

BridgeKeyboardGrab::BridgeKeyboardGrab(bridge::BridgeSession& session,
                                       const BridgeWindowSystem& windowSystem, QWindow* window)
    : session_(session), windowSystem_(windowSystem), window_(window) {
    if (const auto* active = session_.mirror().activeWindow()) previous_ = active->id;
    window->installEventFilter(this);
    bridge::PlaceOwn focus;
    focus.pid = getpid();
    focus.title = window->title().toStdString();
    focus.style = false;
    focus.activate = true;
    session_.send(focus);
}

BridgeKeyboardGrab::~BridgeKeyboardGrab() {
    if (window_) window_->removeEventFilter(this);
    // The focus goes back where it was, unless the user has since moved it elsewhere.
    if (!previous_.empty() && focused_) {
        const auto* active = session_.mirror().activeWindow();
        if (!active || active->pid == static_cast<std::int64_t>(getpid()))
            session_.send(bridge::Activate{0, previous_});
    }
}

bool BridgeKeyboardGrab::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) return false;
    switch (event->type()) {
        case QEvent::FocusIn:
            focused_ = true;
            return false;
        case QEvent::FocusOut:
            // Only a focus the panel had can be lost; the first activation may come late.
            if (focused_) {
                focused_ = false;
                previous_.clear();  // the user chose where the focus goes
                lost.emit();
            }
            return false;
        case QEvent::KeyPress: {
            auto* typed = static_cast<QKeyEvent*>(event);
            port::KeyEvent pressed;
            // A key without a position: only its text counts.
            pressed.keyCode =
                windowSystem_.virtualKeyForScanCode(typed->nativeScanCode()).value_or(0xffff);
            pressed.modifierFlags = flagsOf(typed->modifiers());
            pressed.characters = typed->text().toStdString();
            key.emit(pressed);  // may end the grab: nothing of it is touched after
            return true;
        }
        case QEvent::KeyRelease:
            return true;
        default:
            return false;
    }
}

}  // namespace kelvra::wayland
