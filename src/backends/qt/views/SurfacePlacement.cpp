#include "backends/qt/views/SurfacePlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace kelvra::views {

double screenPixelRatio(const port::WindowSystem& windowSystem) {
    if (windowSystem.nativeIsLogical()) return 1.0;
    auto* screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() : 1.0;
}

QRect widgetGeometry(port::WindowSystem& windowSystem, const Rect& frame) {
    const Rect root = windowSystem.toNative(frame);
    const double ratio = screenPixelRatio(windowSystem);
    const int left = static_cast<int>(std::lround(root.minX() / ratio));
    const int top = static_cast<int>(std::lround(root.minY() / ratio));
    const int right = static_cast<int>(std::lround(root.maxX() / ratio));
    const int bottom = static_cast<int>(std::lround(root.maxY() / ratio));
    return {left, top, std::max(1, right - left), std::max(1, bottom - top)};
}

}  // namespace kelvra::views
