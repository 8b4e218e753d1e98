#include "arrange/WorkspaceCapture.h"

#include <algorithm>
#include <cmath>

#include "port/Platform.h"

namespace kelvra::WorkspaceCapture {

std::vector<WindowHandle> candidateWindows() {
    int32_t own = platform().applications->currentProcessId();
    std::vector<WindowHandle> result;
    for (const auto& w : WindowHandle::allStandardWindows())
        if (w.pid() != own) result.push_back(w);
    return result;
}

std::vector<WorkspaceItem> captureCurrent(double gap, double padding) {
    auto screens = ScreenInfo::all();
    std::vector<WorkspaceItem> items;
    for (const auto& window : candidateWindows()) {
        auto frame = window.frame();
        if (!frame) continue;
        auto appId = window.appId();
        if (!appId || appId->empty()) continue;
        auto app = platform().applications->application(window.pid());

        WorkspaceItem item;
        item.appId = *appId;
        item.appName = app ? app->localizedName.value_or("") : "";
        item.title = window.title();
        auto screen = ScreenInfo::containing(*frame);
        if (screen) {
            for (size_t i = 0; i < screens.size(); ++i) {
                if (screens[i].frame == screen->frame) {
                    item.displayIndex = static_cast<int>(i);
                    break;
                }
            }
        }
        item.zone = detectZone(*frame, screen, gap, padding);
        item.x = frame->minX();
        item.y = frame->minY();
        item.w = frame->width;
        item.h = frame->height;
        items.push_back(std::move(item));
    }
    return items;
}

std::optional<ZoneID> detectZone(const Rect& frame, const std::optional<ScreenInfo>& screen,
                                 double gap, double padding) {
    if (!screen) return std::nullopt;
    for (ZoneID zone : allZoneIDs()) {
        if (zone == ZoneID::center) continue;
        Rect z = kelvra::frame(zone, screen->visible, gap, padding);
        if (std::abs(frame.minX() - z.minX()) <= zoneTolerance &&
            std::abs(frame.minY() - z.minY()) <= zoneTolerance &&
            std::abs(frame.width - z.width) <= zoneTolerance &&
            std::abs(frame.height - z.height) <= zoneTolerance)
            return zone;
    }
    return std::nullopt;
}

std::optional<WindowHandle> chooseWindow(const WorkspaceItem& item,
                                         const std::vector<WindowHandle>& windows,
                                         const std::vector<WindowHandle>& used) {
    std::optional<WindowHandle> first;
    for (const auto& w : windows) {
        if (std::find(used.begin(), used.end(), w) != used.end()) continue;
        if (w.appId() != item.appId) continue;
        if (w.title() == item.title) return w;
        if (!first) first = w;
    }
    return first;
}

std::optional<ScreenInfo> screenFor(const WorkspaceItem& item,
                                    const std::vector<ScreenInfo>& screens) {
    if (item.displayIndex >= 0 && item.displayIndex < static_cast<int>(screens.size()))
        return screens[static_cast<size_t>(item.displayIndex)];
    // The recorded display is gone: the one that holds most of the recorded frame, the
    // primary when none does.
    if (screens.empty()) return std::nullopt;
    return ScreenInfo::containing(Rect(item.x, item.y, item.w, item.h));
}

}  // namespace kelvra::WorkspaceCapture
