#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "base/Rect.h"
#include "base/Signal.h"
#include "port/KeyMonitor.h"
#include "port/Windows.h"

namespace kelvra::port {

// The window system's id of one of the program's own windows (the toolkit's winId()).
using NativeWindow = unsigned long;

// Input anywhere on the desktop, seen without taking it from anyone: a panel uses it
// to hear clicks outside it, and keys typed while another window has the focus.
class InputWatch {
  public:
    virtual ~InputWatch() = default;
    // A button went down; the top-level window under the pointer then (0 for none).
    // Listeners must not end the watch while it runs: post such work.
    Signal<NativeWindow> pressed;
    // A key went down (auto-repeat included): its virtual key code. Only for a watch
    // asked to see keys.
    Signal<uint16_t> keyPressed;
};

// The keyboard held by one of the program's windows, which does not become the
// focused or active window for it.
class KeyboardGrab {
  public:
    virtual ~KeyboardGrab() = default;
    // A key pressed while the grab holds, with what it types.
    Signal<KeyEvent> key;
    // Someone else ended the grab (the window was unmapped, say).
    Signal<> lost;
};

// The window-system services the program's own windows (the views) are built on. Native
// coordinates are the ones the window system places windows in; port coordinates the
// program's top-left space.
class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    virtual Point toPort(Point native) = 0;
    virtual Point toNative(Point port) = 0;
    virtual Rect toNative(const Rect& port) = 0;

    // Whether native coordinates are the toolkit's own (a compositor that places windows
    // in logical pixels) rather than physical pixels the toolkit scales down from.
    virtual bool nativeIsLogical() const = 0;
    // Whether a compositing manager runs: only then may windows be translucent.
    virtual bool compositingManagerRunning() = 0;
    // Has the window placed and stacked as a pop-up menu (above others, undecorated).
    virtual void markAsPopupMenu(NativeWindow window) = 0;
    // Gives one of the program's own windows the focus, where the toolkit's request alone
    // is not honoured (a compositor that lets no client take the focus itself).
    virtual void activate(NativeWindow window) = 0;

    // Keeps one of the program's windows directly above the topmost of these windows,
    // restacked as they are; empty ends that. A window system that cannot stack one
    // window above another leaves it to the toolkit's stacking.
    virtual void stackAbove(NativeWindow window, const std::vector<WindowRef>& group) {
        (void)window;
        (void)group;
    }

    // Null when the window system cannot watch input.
    virtual std::unique_ptr<InputWatch> watchInput(bool keys) = 0;
    // Null while another client holds the keyboard: the caller may try again.
    virtual std::unique_ptr<KeyboardGrab> grabKeyboard(NativeWindow window) = 0;

    // The virtual key code of a key by the native scan code the toolkit reports;
    // nothing for a key that has no position.
    virtual std::optional<uint16_t> virtualKeyForScanCode(uint32_t scanCode) const = 0;
};

}  // namespace kelvra::port
