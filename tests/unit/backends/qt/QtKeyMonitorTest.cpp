#include "backends/qt/QtKeyMonitor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>
#include <vector>

namespace kelvra::qt {
namespace {

namespace flags = port::modifierFlags;

class KeyTarget : public QWidget {
  public:
    std::vector<int> seen;

  protected:
    void keyPressEvent(QKeyEvent* e) override { seen.push_back(e->key()); }
};

// Sends a key press the way the platform does: to the window first.
bool press(QWidget& widget, int key, Qt::KeyboardModifiers mods, const QString& text = {}) {
    QKeyEvent event(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(widget.windowHandle(), &event);
    return event.isAccepted();
}

TEST(QtKeyMonitor, ReportsKeysOfOurWindowsAsVirtualCodesAndCanSwallowThem) {
    KeyTarget widget;
    widget.show();
    ASSERT_NE(widget.windowHandle(), nullptr);
    QtKeyMonitor monitor;

    std::vector<port::KeyEvent> events;
    bool swallow = false;
    auto listening = monitor.onKeyDown([&](const port::KeyEvent& e) {
        events.push_back(e);
        return swallow;
    });

    press(widget, Qt::Key_A, Qt::ControlModifier | Qt::AltModifier, "a");
    press(widget, Qt::Key_Left, Qt::ShiftModifier | Qt::MetaModifier | Qt::KeypadModifier);
    press(widget, Qt::Key_Backspace, Qt::NoModifier);
    // A key without a virtual code passes by unseen.
    press(widget, Qt::Key_VolumeUp, Qt::NoModifier);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].keyCode, 0);
    EXPECT_EQ(events[0].modifierFlags, flags::control | flags::alt);
    EXPECT_EQ(events[1].keyCode, 86);  // Left on the keypad is its 4 key, Num Lock off
    EXPECT_EQ(events[1].modifierFlags, flags::shift | flags::super);
    EXPECT_EQ(events[2].keyCode, 51);
    EXPECT_EQ(events[2].modifierFlags & flags::deviceIndependentMask, 0u);
    // Not swallowed: the widget got all four, each seen by the monitor only once.
    EXPECT_EQ(widget.seen.size(), 4u);

    swallow = true;
    press(widget, Qt::Key_Escape, Qt::NoModifier);
    EXPECT_EQ(events.back().keyCode, 53);
    EXPECT_EQ(widget.seen.size(), 4u);

    listening.cancel();
    press(widget, Qt::Key_Escape, Qt::NoModifier);
    EXPECT_EQ(events.size(), 4u);
    EXPECT_EQ(widget.seen.size(), 5u);

    // A listener may end another's subscription while a key is being delivered.
    int second = 0;
    Subscription secondListening;
    auto firstListening = monitor.onKeyDown([&](const port::KeyEvent&) {
        secondListening.cancel();
        return false;
    });
    secondListening = monitor.onKeyDown([&](const port::KeyEvent&) { return ++second, false; });
    press(widget, Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_EQ(second, 0);
    EXPECT_EQ(widget.seen.size(), 6u);
}

}  // namespace
}  // namespace kelvra::qt
