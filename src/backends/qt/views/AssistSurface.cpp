#include "backends/qt/views/AssistSurface.h"

// Qt's headers before Xlib's, whose macros would break them.
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "backends/qt/views/AssistWidget.h"
#include "backends/qt/views/SurfacePlacement.h"
#include "backends/qt/views/X11ClickWatch.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "backends/x11/X11Connection.h"

namespace kelvra::views {

namespace {

constexpr uint16_t escapeKey = 53;  // the platform-neutral code of Escape

}  // namespace

AssistSurface::AssistSurface(x11::X11Connection& connection, const port::AssistCardsModel& model)
    : connection_(connection), model_(model), widget_(new AssistWidget(model)) {
    window_ = widget_->winId();
    widgetClick_ = widget_->cardClicked.connect([this](const int& index) {
        if (index < 0 || index >= static_cast<int>(model_.cards.size())) return;
        std::string id = model_.cards[static_cast<size_t>(index)].id;
        // The core replaces or ends this surface when it hears: not from inside Qt's handler.
        QTimer::singleShot(0, &guard_, [this, id] { chosen_.emit(id); });
    });
    if (connection_.isOpen()) escapeKeyCode_ = XKeysymToKeycode(connection_.display(), XK_Escape);
}

AssistSurface::~AssistSurface() {
    keyListener_.cancel();
    clickListener_.cancel();
    widget_->hide();
    widget_->deleteLater();
}

void AssistSurface::setFrame(const Rect& frame) {
    widget_->setGeometry(widgetGeometry(connection_, frame));
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
        widget_->hide();
        return;
    }
    // The watch first: an Escape pressed as soon as the panel shows must not be missed.
    if (connection_.isOpen()) {
        watch_ = std::make_unique<X11ClickWatch>(DisplayString(connection_.display()), true);
        clickListener_ = watch_->pressed.connect([this](const unsigned long& window) {
            if (window != window_) QTimer::singleShot(0, &guard_, [this] { dismissed_.emit(); });
        });
        keyListener_ = watch_->keyPressed.connect([this](const unsigned& keycode) {
            if (keycode != escapeKeyCode_) return;  // typed elsewhere: not ours to see
            QTimer::singleShot(0, &guard_, [this] { key_.emit(port::KeyEvent{escapeKey, 0, ""}); });
        });
    }
    widget_->setComposited(compositingManagerRunning(connection_));
    widget_->show();
    widget_->raise();
}

void AssistSurface::setModel(const port::SurfaceModel& model) {
    if (auto* cards = std::get_if<port::AssistCardsModel>(&model)) {
        model_ = *cards;
        widget_->setModel(*cards);
    }
}

}  // namespace kelvra::views
