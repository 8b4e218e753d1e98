#include "backends/qt/views/OverlaySurface.h"

#include <QGuiApplication>
#include <QScreen>

#include "backends/qt/views/OverlayWidget.h"
#include "backends/qt/views/SurfacePlacement.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kelvra::views {

OverlaySurface::OverlaySurface(port::WindowSystem& windowSystem, const port::OverlayModel& model)
    : windowSystem_(windowSystem), widget_(std::make_unique<OverlayWidget>(model)) {}

OverlaySurface::~OverlaySurface() = default;

void OverlaySurface::setFrame(const Rect& frame) {
    widget_->setGeometry(widgetGeometry(windowSystem_, frame));
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
    widget_->setComposited(windowSystem_.compositingManagerRunning());
    widget_->show();
    // Above the windows the manager raised meanwhile.
    widget_->raise();
}

void OverlaySurface::setModel(const port::SurfaceModel& model) {
    if (auto* overlay = std::get_if<port::OverlayModel>(&model)) widget_->setModel(*overlay);
}

}  // namespace kelvra::views
