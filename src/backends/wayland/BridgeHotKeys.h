#pragma once

#include <map>
#include <optional>
#include <string>

#include "backends/bridge/BridgeSession.h"
#include "backends/wayland/BridgeWait.h"
#include "backends/wayland/BridgeWindows.h"
#include "base/Signal.h"
#include "port/HotKeys.h"

namespace kelvra::wayland {

// Hot keys held by the bridge inside the compositor, for desktops without a shortcut
// service of their own (GNOME): each combination is grabbed by its key's position, so it
// stays on the same key whatever the layout. A combination the compositor does not give
// (another program holds it) is reported unavailable. Taken before the bridge said hello
// (the first registration waits a moment for it), a combination is grabbed when it does; a
// bridge that says hello again (the compositor restarted) gets them all once more.
// Forecasts go to the bridge, which moves the window as the key goes down.
class BridgeHotKeys final : public port::HotKeys {
  public:
    BridgeHotKeys(bridge::BridgeSession& session, BridgeWait& wait, BridgeWindows& windows);

    Subscription onPressed(std::function<void(uint32_t signature, uint32_t id)> listener) override {
        return pressed_.connect(std::move(listener));
    }
    std::optional<port::HotKeyRef> registerHotKey(uint32_t keyCode, uint32_t modifiers,
                                                  uint32_t signature, uint32_t id) override;
    void unregisterHotKey(port::HotKeyRef ref) override;
    bool takesForecasts() const override { return true; }
    void forecast(const std::optional<port::HotKeyForecast>& next) override;

    // The compositor's notation of a combination (see grabKey in docs/bridge-protocol.md);
    // nothing for a key without a position.
    static std::optional<std::string> accelerator(uint16_t virtualKey, uint32_t modifiers);

  private:
    struct HotKey {
        std::string accelerator;
        uint32_t signature;
        uint32_t id;
    };
    // Asks the bridge for the combination; nothing when no answer came in time.
    std::optional<bool> grab(port::HotKeyRef ref, const HotKey& key, bool wait);
    static std::string nameOf(port::HotKeyRef ref) { return "k" + std::to_string(ref); }

    bridge::BridgeSession& session_;
    BridgeWait& wait_;
    BridgeWindows& windows_;
    Signal<uint32_t, uint32_t> pressed_;
    std::map<port::HotKeyRef, HotKey> hotKeys_;
    port::HotKeyRef next_ = 1;
    bool waitedForBridge_ = false;
    Subscription pressing_;
    Subscription welcomed_;
};

}  // namespace kelvra::wayland
