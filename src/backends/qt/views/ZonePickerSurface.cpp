#include "backends/qt/views/ZonePickerSurface.h"

#include <QTimer>

#include "backends/qt/views/SurfacePlacement.h"
#include "backends/qt/views/ZonePickerWidget.h"

#include <algorithm>
#include <string>

#include "port/Platform.h"

namespace kelvra::views {

namespace {

// Retries while another client holds the keyboard (say, a key of its own still down).
constexpr int grabRetryMs = 20;
constexpr int grabAttempts = 50;

}  // namespace

ZonePickerSurface::ZonePickerSurface(port::WindowSystem& windowSystem,
                                     const port::ZonePickerModel& model)
    : windowSystem_(windowSystem), widget_(new ZonePickerWidget(model)) {
    window_ = widget_->winId();
    widgetHover_ = widget_->pointerOnCell.connect([this](const QPointF& global) {
        double ratio = screenPixelRatio(windowSystem_);
        Point root{global.x() * ratio, global.y() * ratio};
        pointer_.emit({port::SurfacePointer::Phase::entered, windowSystem_.toPort(root), 1});
    });
    widgetClick_ = widget_->cellClicked.connect(
        [this](const int& cell) { chosen_.emit(std::to_string(cell)); });
}

ZonePickerSurface::~ZonePickerSurface() {
    releaseKeyboard();
    widget_->hide();
    widget_->deleteLater();
}

void ZonePickerSurface::setFrame(const Rect& frame) {
    widget_->setGeometry(widgetGeometry(windowSystem_, frame));
}

void ZonePickerSurface::setOpacity(double opacity) {
    widget_->setWindowOpacity(std::clamp(opacity, 0.0, 1.0));
}

void ZonePickerSurface::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (!visible) {
        clickListener_.cancel();
        clicks_.reset();
        releaseKeyboard();
        widget_->hide();
        return;
    }
    widget_->setComposited(windowSystem_.compositingManagerRunning());
    widget_->show();
    widget_->raise();
    // The keyboard first: keys typed right after the shortcut must not go elsewhere.
    grabAttempts_ = 0;
    grabKeyboard();
    clicks_ = windowSystem_.watchInput(false);
    if (clicks_) {
        clickListener_ = clicks_->pressed.connect([this](const port::NativeWindow& window) {
            if (window != window_) postDismissal();
        });
    }
}

void ZonePickerSurface::setModel(const port::SurfaceModel& model) {
    if (auto* zonePicker = std::get_if<port::ZonePickerModel>(&model))
        widget_->setModel(*zonePicker);
}

void ZonePickerSurface::grabKeyboard() {
    if (!visible_ || grab_) return;
    grab_ = windowSystem_.grabKeyboard(window_);
    if (grab_) {
        // The picker may close, and this surface go, while the key signal runs.
        grabKey_ =
            grab_->key.connect([this](const port::KeyEvent& pressed) { key_.emit(pressed); });
        grabLost_ = grab_->lost.connect([this] {
            // Someone else ended the grab (the panel was unmapped, say): the picker is over.
            postDismissal();
        });
        return;
    }
    if (++grabAttempts_ < grabAttempts) {
        QTimer::singleShot(grabRetryMs, &guard_, [this] { grabKeyboard(); });
        return;
    }
    logLine("the zone picker cannot take the keyboard: another program holds it");
    postDismissal();
}

void ZonePickerSurface::releaseKeyboard() {
    grabKey_.cancel();
    grabLost_.cancel();
    grab_.reset();
}

void ZonePickerSurface::postDismissal() {
    QTimer::singleShot(0, &guard_, [this] { dismissed_.emit(); });
}

}  // namespace kelvra::views
