#include "backends/kwin/KWinWindowSystem.h"

#include "backends/kwin/KernelKeyCodes.h"

#include <unistd.h>
#include <QGuiApplication>
#include <QWindow>

namespace kelvra::kwin {

std::optional<uint16_t> KWinWindowSystem::virtualKeyForScanCode(uint32_t scanCode) const {
    if (scanCode < xkbKeycodeOffset) return std::nullopt;
    return virtualKeyForKernelCode(scanCode - xkbKeycodeOffset);
}

void KWinWindowSystem::markAsPopupMenu(port::NativeWindow window) {
    // The bridge finds the window by process and caption: the toolkit's window has both.
    QString title;
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        if (static_cast<port::NativeWindow>(w->winId()) == window) title = w->title();
    }
    // Without a caption the bridge would take any of this process's windows.
    if (title.isEmpty()) return;
    bridge::PlaceOwn place;
    place.pid = getpid();
    place.title = title.toStdString();
    session_.send(place);
}

}  // namespace kelvra::kwin
