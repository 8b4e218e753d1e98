#include "backends/qt/QtKeyMonitor.h"

#include <X11/keysym.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <vector>

#include "backends/x11/VirtualKeyCodes.h"

namespace kelvra::qt {

namespace {

// The keysym of a keypad key: Qt reports it as the main-row key with a keypad flag.
std::optional<unsigned long> keypadKeysymOf(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return XK_KP_0 + (key - Qt::Key_0);
    switch (key) {
        case Qt::Key_Period:
        case Qt::Key_Comma:
        case Qt::Key_Delete:
            return XK_KP_Decimal;
        case Qt::Key_Asterisk:
            return XK_KP_Multiply;
        case Qt::Key_Plus:
            return XK_KP_Add;
        case Qt::Key_Minus:
            return XK_KP_Subtract;
        case Qt::Key_Slash:
            return XK_KP_Divide;
        case Qt::Key_Equal:
            return XK_KP_Equal;
        case Qt::Key_Enter:
        case Qt::Key_Return:
            return XK_KP_Enter;
        // Num Lock off: the keys' second meanings.
        case Qt::Key_Insert:
            return XK_KP_0;
        case Qt::Key_End:
            return XK_KP_1;
        case Qt::Key_Down:
            return XK_KP_2;
        case Qt::Key_PageDown:
            return XK_KP_3;
        case Qt::Key_Left:
            return XK_KP_4;
        case Qt::Key_Clear:
            return XK_KP_5;
        case Qt::Key_Right:
            return XK_KP_6;
        case Qt::Key_Home:
            return XK_KP_7;
        case Qt::Key_Up:
            return XK_KP_8;
        case Qt::Key_PageUp:
            return XK_KP_9;
        default:
            return std::nullopt;
    }
}

// The keysym that a Qt key stands for on a US layout.
std::optional<unsigned long> usKeysymOf(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) return keypadKeysymOf(key);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return XK_a + (key - Qt::Key_A);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return XK_F1 + (key - Qt::Key_F1);
    // Digits, space and ASCII punctuation share their codes with the keysyms.
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) return static_cast<unsigned long>(key);
    switch (key) {
        case Qt::Key_Return:
            return XK_Return;
        case Qt::Key_Enter:
            return XK_KP_Enter;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return XK_Tab;
        case Qt::Key_Backspace:
            return XK_BackSpace;
        case Qt::Key_Escape:
            return XK_Escape;
        case Qt::Key_Delete:
            return XK_Delete;
        case Qt::Key_Insert:
            return XK_Insert;
        case Qt::Key_Home:
            return XK_Home;
        case Qt::Key_End:
            return XK_End;
        case Qt::Key_PageUp:
            return XK_Page_Up;
        case Qt::Key_PageDown:
            return XK_Page_Down;
        case Qt::Key_Left:
            return XK_Left;
        case Qt::Key_Right:
            return XK_Right;
        case Qt::Key_Up:
            return XK_Up;
        case Qt::Key_Down:
            return XK_Down;
        default:
            return std::nullopt;
    }
}

uint64_t flagsOf(Qt::KeyboardModifiers modifiers) {
    uint64_t flags = 0;
    if (modifiers & Qt::ShiftModifier) flags |= port::modifierFlags::shift;
    if (modifiers & Qt::ControlModifier) flags |= port::modifierFlags::control;
    if (modifiers & Qt::AltModifier) flags |= port::modifierFlags::option;
    if (modifiers & Qt::MetaModifier) flags |= port::modifierFlags::command;
    return flags;
}

}  // namespace

QtKeyMonitor::QtKeyMonitor(const x11::VirtualKeyCodes* keys, QObject* parent)
    : QObject(parent), keys_(keys) {}

QtKeyMonitor::~QtKeyMonitor() {
    if (installed_ && QCoreApplication::instance()) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

Subscription QtKeyMonitor::onKeyDown(std::function<bool(const port::KeyEvent&)> listener) {
    const auto id = nextId_++;
    handlers_->emplace(id, std::move(listener));
    if (!installed_ && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        installed_ = true;
    }
    return Subscription([weak = std::weak_ptr<Handlers>(handlers_), id] {
        if (auto handlers = weak.lock()) handlers->erase(id);
    });
}

std::optional<port::KeyEvent> QtKeyMonitor::translate(const QKeyEvent& event) const {
    std::optional<uint16_t> code;
    if (keys_ && event.nativeScanCode() != 0) {
        // A key that has no position gives nothing: going by what it types would name
        // another key (a keypad comma types the keypad decimal), and the shortcut would
        // then be grabbed on that other key.
        if (event.nativeScanCode() > 255) return std::nullopt;
        code = keys_->virtualKeyFor(static_cast<x11::KeyCode>(event.nativeScanCode()));
    } else {
        if (auto keysym = usKeysymOf(event.key(), event.modifiers())) {
            code = x11::VirtualKeyCodes::virtualKeyForUsKeysym(*keysym);
        }
    }
    if (!code) return std::nullopt;
    port::KeyEvent key;
    key.keyCode = *code;
    key.modifierFlags = flagsOf(event.modifiers());
    key.characters = event.text().toStdString();
    return key;
}

bool QtKeyMonitor::eventFilter(QObject* watched, QEvent* event) {
    // Only at the window: a key press the focus widget ignores travels up through its
    // parents and would be seen again at each of them.
    if (event->type() != QEvent::KeyPress || !watched->isWindowType() || handlers_->empty()) {
        return false;
    }
    auto key = translate(*static_cast<QKeyEvent*>(event));
    if (!key) return false;
    // A listener may add or remove listeners while it runs.
    auto handlers = handlers_;
    std::vector<port::KeyMonitorId> ids;
    for (const auto& [id, handler] : *handlers) ids.push_back(id);
    for (auto id : ids) {
        auto it = handlers->find(id);
        if (it == handlers->end()) continue;
        auto handler = it->second;
        if (handler(*key)) return true;
    }
    return false;
}

}  // namespace kelvra::qt
