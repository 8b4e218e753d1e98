#pragma once

#include "backends/sim/SimState.h"
#include "backends/sim/UsKeyboardLayout.h"

namespace kelvra::sim {

// Hot keys: a combination another client holds, or one already registered, cannot be had;
// one the keymap gives the server can, as on X11.
class SimHotKeys final : public port::HotKeys {
  public:
    explicit SimHotKeys(SimState& s) : s_(s) {}
    Subscription onPressed(std::function<void(uint32_t, uint32_t)> listener) override {
        ++s_.handlerInstalls;
        return s_.hotKeyPressed.connect(std::move(listener));
    }
    std::optional<port::HotKeyRef> registerHotKey(uint32_t keyCode, uint32_t modifiers,
                                                  uint32_t signature, uint32_t id) override {
        // Like the X11 backend: only a key the keyboard has can be grabbed.
        if (keyCode > 0xffff || !usKeyboardKeys().contains(static_cast<uint16_t>(keyCode))) {
            return std::nullopt;
        }
        if (s_.heldByOthers.count({keyCode, modifiers})) return std::nullopt;
        for (const auto& [_, k] : s_.hotKeys) {
            if (k.keyCode == keyCode && k.modifiers == modifiers) return std::nullopt;
        }
        port::HotKeyRef ref = s_.nextHotKey++;
        s_.hotKeys[ref] = SimHotKey{keyCode, modifiers, signature, id, ref};
        return ref;
    }
    void unregisterHotKey(port::HotKeyRef ref) override { s_.hotKeys.erase(ref); }
    bool isServerAction(uint32_t keyCode, uint32_t modifiers) override {
        return s_.serverActions.count({keyCode, modifiers}) > 0;
    }
    bool takesForecasts() const override { return s_.takesForecasts; }
    void forecast(const std::optional<port::HotKeyForecast>& next) override {
        s_.forecasts.push_back(next);
    }

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
