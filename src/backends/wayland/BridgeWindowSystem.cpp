#include "backends/wayland/BridgeWindowSystem.h"

#include "backends/wayland/BridgeKeyboardGrab.h"
#include "backends/wayland/KernelKeyCodes.h"

#include <unistd.h>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

namespace kelvra::wayland {

std::optional<uint16_t> BridgeWindowSystem::virtualKeyForScanCode(uint32_t scanCode) const {
    if (scanCode < xkbKeycodeOffset) return std::nullopt;
    return virtualKeyForKernelCode(scanCode - xkbKeycodeOffset);
}

namespace {

// The bridge finds one of the program's windows by process and caption: the toolkit's
// window has both.
QString captionOf(port::NativeWindow window) {
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        if (static_cast<port::NativeWindow>(w->winId()) == window) return w->title();
    }
    return {};
}

}  // namespace

void BridgeWindowSystem::markAsPopupMenu(port::NativeWindow window) {
    const QString title = captionOf(window);
    // Without a caption the bridge would take any of this process's windows.
    if (title.isEmpty()) return;
    bridge::PlaceOwn place;
    place.pid = getpid();
    place.title = title.toStdString();
    session_.send(place);
}

std::unique_ptr<port::KeyboardGrab> BridgeWindowSystem::grabKeyboard(port::NativeWindow window) {
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        if (static_cast<port::NativeWindow>(w->winId()) == window && !w->title().isEmpty())
            return std::make_unique<BridgeKeyboardGrab>(session_, *this, w);
    }
    return nullptr;
}

void BridgeWindowSystem::activate(port::NativeWindow window) {
    const QString title = captionOf(window);
    if (title.isEmpty()) return;
    activateOwn(title.toStdString(), activateRetries);
}

void BridgeWindowSystem::activateOwn(const std::string& title, int retries) {
    bridge::PlaceOwn place;
    place.pid = getpid();
    place.title = title;
    place.style = false;
    place.activate = true;
    std::weak_ptr<int> alive = alive_;
    session_.send(place, [this, alive, title, retries](const bridge::CommandResult& r) {
        // A window shown just now is not mapped yet: the compositor, which gives a new
        // Wayland window no focus of its own accord, knows it a moment later.
        if (alive.expired() || r.status != bridge::ResultStatus::noWindow || retries <= 0) return;
        QTimer::singleShot(activateRetryMs, &timers_,
                           [this, title, retries] { activateOwn(title, retries - 1); });
    });
}

}  // namespace kelvra::wayland
