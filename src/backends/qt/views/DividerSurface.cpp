#include "backends/qt/views/DividerSurface.h"

#include <QGuiApplication>
#include <QScreen>

#include "backends/qt/views/DividerWidget.h"
#include "backends/qt/views/SurfacePlacement.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kelvra::views {

DividerSurface::DividerSurface(port::WindowSystem& windowSystem, const port::DividerModel& model)
    : windowSystem_(windowSystem), model_(model) {
    strip_ = std::make_unique<DividerWidget>(
        model, [this](port::SurfacePointer::Phase phase, QPointF global, int clicks) {
            const QPointF root = global * screenPixelRatio(windowSystem_);
            Point at = windowSystem_.toPort(Point{root.x(), root.y()});
            pointer_.emit(port::SurfacePointer{phase, at, clicks});
        });
    chip_ = std::make_unique<RatioChipWidget>();
}

DividerSurface::~DividerSurface() {
    if (!group_.empty()) windowSystem_.stackAbove(strip_->winId(), {});
}

void DividerSurface::setFrame(const Rect& frame) {
    frame_ = frame;
    // Not raised here: a window raised over the group since (another application's)
    // covers the divider as it covers the group.
    strip_->setGeometry(widgetGeometry(windowSystem_, frame));
    placeChip();
}

void DividerSurface::setOpacity(double opacity) {
    strip_->setWindowOpacity(std::clamp(opacity, 0.0, 1.0));
}

void DividerSurface::setVisible(bool visible) {
    visible_ = visible;
    if (!visible) {
        if (!group_.empty()) windowSystem_.stackAbove(strip_->winId(), {});
        strip_->hide();
        chip_->hide();
        return;
    }
    strip_->setComposited(windowSystem_.compositingManagerRunning());
    strip_->show();
    if (group_.empty())
        strip_->raise();
    else
        windowSystem_.stackAbove(strip_->winId(), group_);
    placeChip();
}

void DividerSurface::stackAbove(const std::vector<port::WindowRef>& group) {
    group_ = group;
    if (!visible_) return;
    if (group_.empty())
        strip_->raise();
    else
        windowSystem_.stackAbove(strip_->winId(), group_);
}

void DividerSurface::setModel(const port::SurfaceModel& model) {
    auto* divider = std::get_if<port::DividerModel>(&model);
    if (!divider) return;
    model_ = *divider;
    strip_->setModel(model_);
    placeChip();
}

void DividerSurface::placeChip() {
    if (!visible_ || !model_.chipText) {
        chip_->hide();
        return;
    }
    chip_->setText(QString::fromStdString(*model_.chipText));
    // Across a horizontal edge the chip sits on the middle; along a vertical one a
    // little above it.
    Point centre{frame_.midX(), model_.orientation == port::DividerOrientation::horizontal
                                    ? frame_.midY()
                                    : frame_.minY() + 0.42 * frame_.height};
    double ratio = screenPixelRatio(windowSystem_);
    Point root = windowSystem_.toNative(centre);
    QSize size = chip_->sizeForText();
    chip_->setGeometry(static_cast<int>(std::lround(root.x / ratio - size.width() / 2.0)),
                       static_cast<int>(std::lround(root.y / ratio - size.height() / 2.0)),
                       size.width(), size.height());
    chip_->show();
    chip_->raise();
}

}  // namespace kelvra::views
