#include "backends/wayland/BridgeKeyboardGrab.h"

#include <unistd.h>
#include <QKeyEvent>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "backends/wayland/BridgeWindowSystem.h"
#include "port/KeyMonitor.h"

namespace kelvra::wayland {

namespace {

// How long the focus may stay with another of the program's windows before the grab
// counts it as lost.
constexpr int focusBackMs = 1000;
// A panel not mapped yet is asked for again, for up to 2 s.
constexpr int focusRetryMs = 50;
constexpr int focusRetries = 40;

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
    // A window Kelvra activated just before is where the focus was meant to be, and the
    // compositor may still hand it over after the panel has it.
    underway_ = session_.activationsUnderway();
    if (!underway_.empty()) previous_ = underway_.back();
    window->installEventFilter(this);
    acknowledgements_ = session_.changed.connect([this](const bridge::FromBridge& message) {
        const auto* activated = std::get_if<bridge::WindowActivated>(&message);
        if (!activated || acknowledged_) return;
        if (isPanel(session_.mirror().activeWindow())) acknowledged_ = true;
        std::erase(underway_, activated->window);  // arrived in order: a later one is the user's
    });
    QTimer::singleShot(static_cast<int>(bridge::BridgeSession::activationSeconds * 1000), this,
                       [this] { underway_.clear(); });
    askForFocus(0);
}

void BridgeKeyboardGrab::askForFocus(int attempt) {
    if (!window_) return;
    bridge::PlaceOwn focus;
    focus.pid = getpid();
    focus.title = window_->title().toStdString();
    focus.style = false;
    focus.activate = true;
    // A panel shown a moment ago may not be mapped yet: asked again until it is.
    QPointer<BridgeKeyboardGrab> self(this);
    session_.send(focus, [self, attempt](const bridge::CommandResult& r) {
        if (!self || r.status != bridge::ResultStatus::noWindow || attempt >= focusRetries) return;
        QTimer::singleShot(focusRetryMs, self, [self, attempt] {
            if (self && !self->focused_) self->askForFocus(attempt + 1);
        });
    });
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

bool BridgeKeyboardGrab::isPanel(const bridge::WindowSnapshot* window) const {
    return window && window_ && window->pid == static_cast<std::int64_t>(getpid()) &&
           window->title == window_->title().toStdString();
}

void BridgeKeyboardGrab::judgeFocusOut() {
    // Another application's window taking the focus is a click elsewhere. The compositor
    // focuses one of the program's dividers as it maps it: the panel then asks for the
    // focus again, as after an activation Kelvra asked for before the panel's that the
    // compositor carries out late. Where the focus went is known once the bridge says so, which may
    // be after the toolkit's event; and until the bridge has reported the panel itself active, what
    // it reports is older than the panel's focus (the window an earlier command activated), so it
    // decides nothing.
    const int judgement = ++judgements_;
    auto asked = std::make_shared<bool>(false);
    auto decide = [this, judgement, asked](bool timedOut) {
        if (judgement != judgements_) return true;  // a later focus change decides
        if (focused_) return true;
        const auto* active = session_.mirror().activeWindow();
        if (!timedOut) {
            if (!acknowledged_ || !active || isPanel(active)) return false;
            if (active->pid == static_cast<std::int64_t>(getpid())) {
                if (!*asked) askForFocus(0);
                *asked = true;
                return false;
            }
            if (std::erase(underway_, active->id) > 0) {
                askForFocus(0);  // a focus Kelvra gave before the panel's, arriving late
                return false;
            }
        }
        ++judgements_;
        previous_.clear();  // the user chose where the focus goes
        lost.emit();
        return true;
    };
    if (decide(false)) return;
    focusWatch_ = session_.changed.connect([this, decide](const bridge::FromBridge& message) {
        if (std::holds_alternative<bridge::WindowActivated>(message) && decide(false))
            focusWatch_.cancel();
    });
    QTimer::singleShot(focusBackMs, this, [this, decide] {
        focusWatch_.cancel();
        decide(true);
    });
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
                judgeFocusOut();
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
