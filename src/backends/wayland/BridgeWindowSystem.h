#pragma once

#include <QObject>

#include <memory>
#include <string>

#include "backends/bridge/BridgeSession.h"
#include "port/WindowSystem.h"

namespace kelvra::wayland {

// The program's own windows on a Wayland session arranged through the bridge. The compositor places
// and stacks them on the bridge's word (a Wayland client cannot), coordinates are the compositor's
// logical pixels on both sides, and other programs' input is not visible to a Wayland
// client: no input watch; a keyboard grab is the focus, given by the bridge.
class BridgeWindowSystem final : public port::WindowSystem {
  public:
    explicit BridgeWindowSystem(bridge::BridgeSession& session) : session_(session) {}

    Point toPort(Point native) override { return native; }
    Point toNative(Point port) override { return port; }
    Rect toNative(const Rect& port) override { return port; }
    bool nativeIsLogical() const override { return true; }
    bool compositingManagerRunning() override { return true; }
    void markAsPopupMenu(port::NativeWindow window) override;
    void activate(port::NativeWindow window) override;
    std::unique_ptr<port::InputWatch> watchInput(bool) override { return nullptr; }
    // The panel gets the focus through the bridge and its keys before its widgets do.
    std::unique_ptr<port::KeyboardGrab> grabKeyboard(port::NativeWindow window) override;
    // Wayland's scan codes are the kernel's key codes offset by 8, by position.
    std::optional<uint16_t> virtualKeyForScanCode(uint32_t scanCode) const override;

  private:
    // Up to 2 s, as for the placement of the program's own windows.
    static constexpr int activateRetryMs = 50;
    static constexpr int activateRetries = 40;

    void activateOwn(const std::string& title, int retries);

    bridge::BridgeSession& session_;
    QObject timers_;                                         // retries end with this object
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // seen by answers still due
};

}  // namespace kelvra::wayland
