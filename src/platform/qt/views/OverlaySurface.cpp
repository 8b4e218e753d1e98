#include "platform/qt/views/OverlaySurface.h"

// Qt's headers before Xlib's, whose macros would break them.
#include <QGuiApplication>
#include <QScreen>

#include "platform/qt/views/OverlayWidget.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/x11/X11Connection.h"

namespace kelvra::views {

OverlaySurface::OverlaySurface(x11::X11Connection& connection, const port::OverlayModel& model)
    : connection_(connection), widget_(std::make_unique<OverlayWidget>(model)) {}

OverlaySurface::~OverlaySurface() = default;

void OverlaySurface::setFrame(const Rect& frame) {
    Rect root = connection_.toRoot(frame);
    // Qt places windows in device-independent pixels; the server in physical ones.
    double ratio = 1.0;
    if (auto* screen = QGuiApplication::primaryScreen()) ratio = screen->devicePixelRatio();
    // Rounding the edges, not the size, keeps neighbouring zones edge to edge.
    int left = static_cast<int>(std::lround(root.minX() / ratio));
    int top = static_cast<int>(std::lround(root.minY() / ratio));
    int right = static_cast<int>(std::lround(root.maxX() / ratio));
    int bottom = static_cast<int>(std::lround(root.maxY() / ratio));
    widget_->setGeometry(left, top, std::max(1, right - left), std::max(1, bottom - top));
}

void OverlaySurface::setOpacity(double opacity) {
    widget_->setWindowOpacity(std::clamp(opacity, 0.0, 1.0));
}

void OverlaySurface::setVisible(bool visible) {
    if (!visible) {
        widget_->hide();
        return;
    }
    // A compositing manager may have started or stopped since the last time.
    widget_->setComposited(compositingManagerRunning());
    widget_->show();
    // Above the windows the manager raised meanwhile.
    widget_->raise();
}

void OverlaySurface::setModel(const port::SurfaceModel& model) {
    if (auto* overlay = std::get_if<port::OverlayModel>(&model)) widget_->setModel(*overlay);
}

bool OverlaySurface::compositingManagerRunning() {
    if (!connection_.isOpen()) return false;
    Display* display = connection_.display();
    std::string selection = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display));
    return XGetSelectionOwner(display, connection_.atom(selection.c_str())) != None;
}

}  // namespace kelvra::views
