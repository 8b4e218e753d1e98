#pragma once

#include <optional>
#include <vector>

#include "base/Rect.h"
#include "geometry/ScreenInfo.h"
#include "settings/Workspace.h"
#include "window/WindowHandle.h"

namespace kelvra {

// Recording where windows are and finding them again.
namespace WorkspaceCapture {

// How far (in points) each of x, y, width and height may be off for a window to count
// as lying in a zone.
inline constexpr double zoneTolerance = 20.0;

// Every standard window of other applications, in the window list's order.
std::vector<WorkspaceItem> captureCurrent(double gap, double padding);

// The first built-in zone (centre excepted: a centred window comes back by its frame)
// whose frame on `screen` is within the tolerance of `frame`.
std::optional<ZoneID> detectZone(const Rect& frame, const std::optional<ScreenInfo>& screen,
                                 double gap, double padding);

// The windows of other applications that may be given to items, in list order.
std::vector<WindowHandle> candidateWindows();

// The window for an item among `windows`: those of the item's application not in
// `used`, the first with the item's title (an unreadable title equals an absent one),
// else the first of them. Nothing when the application has no window left.
std::optional<WindowHandle> chooseWindow(const WorkspaceItem& item,
                                         const std::vector<WindowHandle>& windows,
                                         const std::vector<WindowHandle>& used);

// The screen an item goes to: the one at its recorded index in `screens`, else the one
// holding its recorded frame.
std::optional<ScreenInfo> screenFor(const WorkspaceItem& item,
                                    const std::vector<ScreenInfo>& screens);

}  // namespace WorkspaceCapture

}  // namespace kelvra
