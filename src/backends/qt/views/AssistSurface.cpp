#include "backends/qt/views/AssistSurface.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "backends/qt/views/AssistWidget.h"
#include "backends/qt/views/SurfacePlacement.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kelvra::views {

namespace {

constexpr uint16_t escapeKey = 53;  // the platform-neutral code of Escape

}  // namespace

AssistSurface::AssistSurface(port::WindowSystem& windowSystem, const port::AssistCardsModel& model)
    : windowSystem_(windowSystem), model_(model), widget_(new AssistWidget(model)) {
    window_ = widget_->winId();
    widgetClick_ = widget_->cardClicked.connect([this](const int& index) {
        if (index < 0 || index >= static_cast<int>(model_.cards.size())) return;
        std::string id = model_.cards[static_cast<size_t>(index)].id;
        // The keyboard goes back before the chosen window is activated, not after it.
        releaseKeyboard();
        // The core replaces or ends this surface when it hears: not from inside Qt's handler.
        QTimer::singleShot(0, &guard_, [this, id] { chosen_.emit(id); });
    });
}

AssistSurface::~AssistSurface() {
    keyListener_.cancel();
    clickListener_.cancel();
    grab_.reset();
    widget_->hide();
    widget_->deleteLater();
}

void AssistSurface::setFrame(const Rect& frame) {
    widget_->setGeometry(widgetGeometry(windowSystem_, frame));
}

void AssistSurface::setOpacity(double opacity) {
    widget_->setWindowOpacity(std::clamp(opacity, 0.0, 1.0));
}

void AssistSurface::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (!visible) {
        keyListener_.cancel();
        clickListener_.cancel();
        watch_.reset();
        grab_.reset();
        widget_->hide();
        return;
    }
    // The watch first: an Escape pressed as soon as the panel shows must not be missed.
    watch_ = windowSystem_.watchInput(true);
    if (watch_) {
        clickListener_ = watch_->pressed.connect([this](const port::NativeWindow& window) {
            if (window != window_) QTimer::singleShot(0, &guard_, [this] { dismissed_.emit(); });
        });
        keyListener_ = watch_->keyPressed.connect([this](const uint16_t& code) {
            if (code != escapeKey) return;  // typed elsewhere: not ours to see
            QTimer::singleShot(0, &guard_, [this] { key_.emit(port::KeyEvent{escapeKey, 0, ""}); });
        });
    }
    widget_->setComposited(windowSystem_.compositingManagerRunning());
    widget_->show();
    widget_->raise();
    if (!watch_) takeKeyboard();
}

void AssistSurface::releaseKeyboard() {
    if (!grab_) return;
    keyListener_.cancel();
    clickListener_.cancel();
    grab_.reset();
}

void AssistSurface::takeKeyboard() {
    // A desktop that cannot watch input gives the panel the focus instead: Escape then
    // reaches it, and the focus going to another window is a click elsewhere.
    grab_ = windowSystem_.grabKeyboard(window_);
    if (!grab_) return;
    keyListener_ = grab_->key.connect([this](const port::KeyEvent& pressed) {
        if (pressed.keyCode != escapeKey) return;
        QTimer::singleShot(0, &guard_, [this] { key_.emit(port::KeyEvent{escapeKey, 0, ""}); });
    });
    clickListener_ = grab_->lost.connect(
        [this] { QTimer::singleShot(0, &guard_, [this] { dismissed_.emit(); }); });
}

void AssistSurface::setModel(const port::SurfaceModel& model) {
    if (auto* cards = std::get_if<port::AssistCardsModel>(&model)) {
        model_ = *cards;
        widget_->setModel(*cards);
    }
}

}  // namespace kelvra::views
