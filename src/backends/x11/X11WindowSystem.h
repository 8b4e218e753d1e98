#pragma once

#include <memory>

#include "port/WindowSystem.h"

namespace kelvra::x11 {

class X11Connection;
class VirtualKeyCodes;
class X11GroupStacking;

// The window-system services of the program's own windows on an X server: root
// coordinates, the compositing manager's selection, EWMH window types, raw input
// watches and keyboard grabs on the program's main connection.
class X11WindowSystem final : public port::WindowSystem {
  public:
    // Without `keys` only the keys' US-layout positions are known.
    X11WindowSystem(X11Connection& connection, const VirtualKeyCodes* keys);
    ~X11WindowSystem() override;

    Point toPort(Point native) override;
    Point toNative(Point port) override;
    Rect toNative(const Rect& port) override;
    bool compositingManagerRunning() override;
    void markAsPopupMenu(port::NativeWindow window) override;
    bool nativeIsLogical() const override { return false; }
    // The toolkit's own request reaches the window manager.
    void activate(port::NativeWindow) override {}
    void stackAbove(port::NativeWindow window, const std::vector<port::WindowRef>& group) override;
    std::unique_ptr<port::InputWatch> watchInput(bool keys) override;
    std::unique_ptr<port::KeyboardGrab> grabKeyboard(port::NativeWindow window) override;
    std::optional<uint16_t> virtualKeyForScanCode(uint32_t scanCode) const override;

  private:
    X11Connection& connection_;
    const VirtualKeyCodes* keys_;
    std::unique_ptr<X11GroupStacking> stacking_;
};

}  // namespace kelvra::x11
