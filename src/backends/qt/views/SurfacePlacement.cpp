#include "backends/qt/views/SurfacePlacement.h"

// Qt's headers before Xlib's, whose macros would break them.
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <string>

#include "backends/x11/X11Connection.h"

namespace kelvra::views {

double screenPixelRatio() {
    auto* screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() : 1.0;
}

QRect widgetGeometry(x11::X11Connection& connection, const Rect& frame) {
    const Rect root = connection.toRoot(frame);
    const double ratio = screenPixelRatio();
    const int left = static_cast<int>(std::lround(root.minX() / ratio));
    const int top = static_cast<int>(std::lround(root.minY() / ratio));
    const int right = static_cast<int>(std::lround(root.maxX() / ratio));
    const int bottom = static_cast<int>(std::lround(root.maxY() / ratio));
    return {left, top, std::max(1, right - left), std::max(1, bottom - top)};
}

bool compositingManagerRunning(x11::X11Connection& connection) {
    if (!connection.isOpen()) return false;
    Display* display = connection.display();
    const std::string selection = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display));
    return XGetSelectionOwner(display, connection.atom(selection.c_str())) != None;
}

}  // namespace kelvra::views
