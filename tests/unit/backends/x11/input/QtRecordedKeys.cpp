#include "QtRecordedKeys.h"

#include <X11/keysym.h>

#include <QKeyEvent>

#include "backends/qt/QtKeyMonitor.h"
#include "backends/x11/X11WindowSystem.h"

namespace kelvra::test {

const std::vector<QtKeyRow>& recordableQtKeys() {
    static const std::vector<QtKeyRow> rows = [] {
        std::vector<QtKeyRow> r;
        static const char* const fk[] = {"FK13", "FK14", "FK15", "FK16",
                                         "FK17", "FK18", "FK19", "FK20"};
        for (unsigned long i = 0; i < 26; ++i) r.push_back({XK_a + i, Qt::Key_A + int(i), false});
        for (unsigned long i = 0; i < 20; ++i)
            r.push_back({XK_F1 + i, Qt::Key_F1 + int(i), false, i < 12 ? nullptr : fk[i - 12]});
        for (unsigned long i = 0; i < 10; ++i) {
            r.push_back({XK_0 + i, Qt::Key_0 + int(i), false});
            r.push_back({XK_KP_0 + i, Qt::Key_0 + int(i), true});
        }
        const QtKeyRow others[] = {
            {XK_equal, Qt::Key_Equal, false},
            {XK_minus, Qt::Key_Minus, false},
            {XK_bracketleft, Qt::Key_BracketLeft, false},
            {XK_bracketright, Qt::Key_BracketRight, false},
            {XK_apostrophe, Qt::Key_Apostrophe, false},
            {XK_semicolon, Qt::Key_Semicolon, false},
            {XK_backslash, Qt::Key_Backslash, false},
            {XK_comma, Qt::Key_Comma, false},
            {XK_slash, Qt::Key_Slash, false},
            {XK_period, Qt::Key_Period, false},
            {XK_grave, Qt::Key_QuoteLeft, false},
            {XK_Return, Qt::Key_Return, false},
            {XK_Tab, Qt::Key_Tab, false},
            {XK_space, Qt::Key_Space, false},
            {XK_BackSpace, Qt::Key_Backspace, false},
            {XK_Insert, Qt::Key_Insert, false},
            {XK_Delete, Qt::Key_Delete, false},
            {XK_Home, Qt::Key_Home, false},
            {XK_End, Qt::Key_End, false},
            {XK_Prior, Qt::Key_PageUp, false},
            {XK_Next, Qt::Key_PageDown, false},
            {XK_Left, Qt::Key_Left, false},
            {XK_Right, Qt::Key_Right, false},
            {XK_Up, Qt::Key_Up, false},
            {XK_Down, Qt::Key_Down, false},
            {XK_KP_Decimal, Qt::Key_Period, true, "KPDL"},
            {XK_KP_Multiply, Qt::Key_Asterisk, true},
            {XK_KP_Add, Qt::Key_Plus, true},
            {XK_KP_Subtract, Qt::Key_Minus, true},
            {XK_KP_Divide, Qt::Key_Slash, true},
            {XK_KP_Equal, Qt::Key_Equal, true},
            {XK_KP_Enter, Qt::Key_Enter, true},
            // Num Lock off: the same keys, typing their second meaning.
            {XK_KP_Insert, Qt::Key_Insert, true},
            {XK_KP_End, Qt::Key_End, true},
            {XK_KP_Down, Qt::Key_Down, true},
            {XK_KP_Next, Qt::Key_PageDown, true},
            {XK_KP_Left, Qt::Key_Left, true},
            {XK_KP_Begin, Qt::Key_Clear, true},
            {XK_KP_Right, Qt::Key_Right, true},
            {XK_KP_Home, Qt::Key_Home, true},
            {XK_KP_Up, Qt::Key_Up, true},
            {XK_KP_Prior, Qt::Key_PageUp, true},
            {XK_KP_Delete, Qt::Key_Delete, true},
        };
        r.insert(r.end(), std::begin(others), std::end(others));
        return r;
    }();
    return rows;
}

std::optional<port::KeyEvent> recordQtKey(x11::X11Connection& connection,
                                          const x11::VirtualKeyCodes& keys, const QtKeyRow& row,
                                          unsigned int scanCode) {
    Qt::KeyboardModifiers modifiers = Qt::ControlModifier | Qt::AltModifier;
    if (row.keypad) modifiers |= Qt::KeypadModifier;
    QKeyEvent event(QEvent::KeyPress, row.qtKey, modifiers, scanCode, 0, 0);
    x11::X11WindowSystem windowSystem(connection, &keys);
    return qt::QtKeyMonitor(&windowSystem).translate(event);
}

}  // namespace kelvra::test
