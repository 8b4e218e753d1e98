#include "backends/qt/views/SettingsSurface.h"

#include <QGuiApplication>
#include <QScreen>

#include "backends/qt/views/OnboardingWindow.h"
#include "backends/qt/views/SettingsWindow.h"

namespace kelvra::views {

namespace {
// Centred on the screen under the pointer's primary, then raised and given the focus.
void present(QWidget& window, bool& placed, port::WindowSystem& windowSystem) {
    if (!placed) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
        }
        placed = true;
    }
    window.show();
    window.raise();
    window.activateWindow();
    windowSystem.activate(static_cast<port::NativeWindow>(window.winId()));
}
}  // namespace

SettingsSurface::SettingsSurface(port::WindowSystem& windowSystem,
                                 const port::SettingsWindowModel& model)
    : windowSystem_(windowSystem) {
    SettingsWindow::Handlers h;
    h.tabChosen = [this](const std::string& id) { chosen_.emit(id); };
    h.edited = [this](const port::SettingsEdit& e) { edited_.emit(e); };
    h.closed = [this] { dismissed_.emit(); };
    window_ = std::make_unique<SettingsWindow>(std::move(h));
    window_->setModel(model);
}

SettingsSurface::~SettingsSurface() = default;

void SettingsSurface::setOpacity(double opacity) {
    window_->setWindowOpacity(opacity);
}

void SettingsSurface::setVisible(bool visible) {
    if (visible) {
        window_->focusTabs();
        present(*window_, placed_, windowSystem_);
    } else {
        window_->hide();
    }
}

void SettingsSurface::setModel(const port::SurfaceModel& model) {
    if (auto* m = std::get_if<port::SettingsWindowModel>(&model)) window_->setModel(*m);
}

OnboardingSurface::OnboardingSurface(port::WindowSystem& windowSystem,
                                     const port::OnboardingModel& model)
    : windowSystem_(windowSystem) {
    OnboardingWindow::Handlers h;
    h.chosen = [this](const std::string& id) { chosen_.emit(id); };
    h.closed = [this] { dismissed_.emit(); };
    window_ = std::make_unique<OnboardingWindow>(std::move(h));
    window_->setModel(model);
}

OnboardingSurface::~OnboardingSurface() = default;

void OnboardingSurface::setOpacity(double opacity) {
    window_->setWindowOpacity(opacity);
}

void OnboardingSurface::setVisible(bool visible) {
    if (visible)
        present(*window_, placed_, windowSystem_);
    else
        window_->hide();
}

void OnboardingSurface::setModel(const port::SurfaceModel& model) {
    if (auto* m = std::get_if<port::OnboardingModel>(&model)) window_->setModel(*m);
}

}  // namespace kelvra::views
