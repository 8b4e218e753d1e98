#include "backends/qt/QtKeyMonitor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <vector>

namespace kelvra::qt {

namespace {

// The virtual key code of a keypad key: Qt reports it as the main-row key with a keypad
// flag, and with Num Lock off as the key's second meaning.
std::optional<uint16_t> keypadKeyOf(int key) {
    constexpr uint16_t digits[] = {82, 83, 84, 85, 86, 87, 88, 89, 91, 92};
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return digits[key - Qt::Key_0];
    switch (key) {
        case Qt::Key_Period:
        case Qt::Key_Comma:
        case Qt::Key_Delete:
            return 65;
        case Qt::Key_Asterisk:
            return 67;
        case Qt::Key_Plus:
            return 69;
        case Qt::Key_Minus:
            return 78;
        case Qt::Key_Slash:
            return 75;
        case Qt::Key_Equal:
            return 81;
        case Qt::Key_Enter:
        case Qt::Key_Return:
            return 76;
        case Qt::Key_Insert:
            return 82;
        case Qt::Key_End:
            return 83;
        case Qt::Key_Down:
            return 84;
        case Qt::Key_PageDown:
            return 85;
        case Qt::Key_Left:
            return 86;
        case Qt::Key_Clear:
            return 87;
        case Qt::Key_Right:
            return 88;
        case Qt::Key_Home:
            return 89;
        case Qt::Key_Up:
            return 91;
        case Qt::Key_PageUp:
            return 92;
        default:
            return std::nullopt;
    }
}

// The virtual key code of the position where a US layout has the Qt key.
std::optional<uint16_t> usKeyOf(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) return keypadKeyOf(key);
    constexpr uint16_t letters[] = {0,  11, 8,  2,  14, 3, 5,  4,  34, 38, 40, 37, 46,
                                    45, 31, 35, 12, 15, 1, 17, 32, 9,  13, 7,  16, 6};
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return letters[key - Qt::Key_A];
    constexpr uint16_t digits[] = {29, 18, 19, 20, 21, 23, 22, 26, 28, 25};
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return digits[key - Qt::Key_0];
    constexpr uint16_t functionKeys[] = {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                         103, 111, 105, 107, 113, 106, 64, 79,  80,  90};
    if (key >= Qt::Key_F1 && key <= Qt::Key_F20) return functionKeys[key - Qt::Key_F1];
    switch (key) {
        case Qt::Key_Equal:
            return 24;
        case Qt::Key_Minus:
            return 27;
        case Qt::Key_BracketRight:
            return 30;
        case Qt::Key_BracketLeft:
            return 33;
        case Qt::Key_Apostrophe:
            return 39;
        case Qt::Key_Semicolon:
            return 41;
        case Qt::Key_Backslash:
            return 42;
        case Qt::Key_Comma:
            return 43;
        case Qt::Key_Slash:
            return 44;
        case Qt::Key_Period:
            return 47;
        case Qt::Key_QuoteLeft:
            return 50;
        case Qt::Key_Space:
            return 49;
        case Qt::Key_Return:
            return 36;
        case Qt::Key_Enter:
            return 76;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 48;
        case Qt::Key_Backspace:
            return 51;
        case Qt::Key_Escape:
            return 53;
        case Qt::Key_Delete:
            return 117;
        case Qt::Key_Insert:
            return 114;
        case Qt::Key_Home:
            return 115;
        case Qt::Key_End:
            return 119;
        case Qt::Key_PageUp:
            return 116;
        case Qt::Key_PageDown:
            return 121;
        case Qt::Key_Left:
            return 123;
        case Qt::Key_Right:
            return 124;
        case Qt::Key_Up:
            return 126;
        case Qt::Key_Down:
            return 125;
        default:
            return std::nullopt;
    }
}

uint64_t flagsOf(Qt::KeyboardModifiers modifiers) {
    uint64_t flags = 0;
    if (modifiers & Qt::ShiftModifier) flags |= port::modifierFlags::shift;
    if (modifiers & Qt::ControlModifier) flags |= port::modifierFlags::control;
    if (modifiers & Qt::AltModifier) flags |= port::modifierFlags::alt;
    if (modifiers & Qt::MetaModifier) flags |= port::modifierFlags::super;
    return flags;
}

}  // namespace

QtKeyMonitor::QtKeyMonitor(const port::WindowSystem* windowSystem, QObject* parent)
    : QObject(parent), windowSystem_(windowSystem) {}

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
    if (windowSystem_ && event.nativeScanCode() != 0) {
        // A key that has no position gives nothing: going by what it types would name
        // another key (a keypad comma types the keypad decimal), and the shortcut would
        // then be grabbed on that other key.
        code = windowSystem_->virtualKeyForScanCode(event.nativeScanCode());
    } else {
        code = usKeyOf(event.key(), event.modifiers());
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
