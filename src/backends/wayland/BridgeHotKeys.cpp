#include "backends/wayland/BridgeHotKeys.h"

#include <cstdio>
#include <memory>

#include "backends/wayland/KernelKeyCodes.h"
#include "port/Platform.h"

namespace kelvra::wayland {

namespace {

// How long a registration waits for the compositor's yes or no.
constexpr int grabWaitMs = 1000;
// How long the first registration waits for the bridge's hello.
constexpr int helloWaitMs = 3000;

}  // namespace

BridgeHotKeys::BridgeHotKeys(bridge::BridgeSession& session, BridgeWait& wait,
                             BridgeWindows& windows)
    : session_(session), wait_(wait), windows_(windows) {
    // Posted: a listener may wait for the bridge, which it cannot do inside the bus call
    // that brought the press.
    pressing_ = session_.changed.connect([this](const bridge::FromBridge& message) {
        auto* press = std::get_if<bridge::KeyPressed>(&message);
        if (!press) return;
        for (const auto& [ref, key] : hotKeys_) {
            if (nameOf(ref) != press->name) continue;
            platform().runLoop->post(
                [pressed = pressed_, key] { pressed.emit(key.signature, key.id); });
        }
    });
    welcomed_ = session_.welcomed.connect([this] {
        for (const auto& [ref, key] : hotKeys_) grab(ref, key, false);
    });
}

std::optional<std::string> BridgeHotKeys::accelerator(uint16_t virtualKey, uint32_t modifiers) {
    auto kernel = kernelCodeForVirtualKey(virtualKey);
    if (!kernel) return std::nullopt;
    std::string text;
    if (modifiers & 0x1000) text += "<Control>";
    if (modifiers & 0x0800) text += "<Alt>";
    if (modifiers & 0x0200) text += "<Shift>";
    if (modifiers & 0x0100) text += "<Super>";
    char code[16];
    std::snprintf(code, sizeof code, "0x%x", *kernel + xkbKeycodeOffset);
    return text + code;
}

std::optional<bool> BridgeHotKeys::grab(port::HotKeyRef ref, const HotKey& key, bool wait) {
    const std::string name = nameOf(ref);
    auto answer = std::make_shared<std::optional<bool>>();
    auto id = session_.send(
        bridge::GrabKey{0, name, key.accelerator},
        [answer, accelerator = key.accelerator, wait](const bridge::CommandResult& r) {
            *answer = r.status == bridge::ResultStatus::done;
            if (!**answer && !wait)
                logLine("hot key " + accelerator + " is held by another program");
        });
    if (!wait) return std::nullopt;
    session_.flush();
    if (!wait_.waitUntil([&] { return answer->has_value(); }, grabWaitMs)) {
        session_.forget(id);
        return std::nullopt;
    }
    return *answer;
}

std::optional<port::HotKeyRef> BridgeHotKeys::registerHotKey(uint32_t keyCode, uint32_t modifiers,
                                                             uint32_t signature, uint32_t id) {
    auto text = accelerator(static_cast<uint16_t>(keyCode & 0xffff), modifiers);
    if (!text) return std::nullopt;
    // Kelvra registers its keys as it starts, while the bridge may not have said hello yet
    // (it does as soon as Kelvra's service appears): once, give it a moment, so that a
    // combination held elsewhere is known now rather than only logged later.
    if (!session_.connected() && !waitedForBridge_) {
        waitedForBridge_ = true;
        wait_.waitUntil([this] { return session_.connected(); }, helloWaitMs);
    }
    const port::HotKeyRef ref = next_++;
    HotKey key{*text, signature, id};
    if (session_.connected() && grab(ref, key, true) == false) return std::nullopt;
    hotKeys_.emplace(ref, std::move(key));
    return ref;
}

void BridgeHotKeys::unregisterHotKey(port::HotKeyRef ref) {
    if (hotKeys_.erase(ref) && session_.connected())
        session_.send(bridge::ReleaseKey{0, nameOf(ref)});
}

void BridgeHotKeys::forecast(const std::optional<port::HotKeyForecast>& next) {
    if (!session_.connected()) return;
    bridge::Forecast command;
    const auto* window = next ? windows_.snapshot(next->window) : nullptr;
    if (window) {
        command.window = window->id;
        command.from = next->from;
        for (const auto& [id, frame] : next->frames) {
            for (const auto& [ref, key] : hotKeys_) {
                if (key.id == id && key.signature != probeSignature)
                    command.keys.emplace_back(nameOf(ref), frame);
            }
        }
        if (next->seconds) command.validMs = static_cast<std::int64_t>(*next->seconds * 1000);
    }
    session_.send(std::move(command));
}

}  // namespace kelvra::wayland
