#pragma once

#include <memory>

#include "port/Surfaces.h"
#include "port/WindowSystem.h"

namespace kelvra::views {

class SettingsWindow;
class OnboardingWindow;

// The settings window as a surface: a tab chosen in the sidebar comes back through
// `chosen`, a control's change through `edited`, closing through `dismissed`.
class SettingsSurface final : public port::Surface {
  public:
    SettingsSurface(port::WindowSystem& windowSystem, const port::SettingsWindowModel& model);
    ~SettingsSurface() override;

    port::SurfaceKind kind() const override { return port::SurfaceKind::settingsWindow; }
    void setFrame(const Rect&) override {}  // centred on first show, then where the user put it
    void setOpacity(double opacity) override;
    void setVisible(bool visible) override;
    void setModel(const port::SurfaceModel& model) override;

  private:
    port::WindowSystem& windowSystem_;
    std::unique_ptr<SettingsWindow> window_;
    bool placed_ = false;
};

// The welcome window as a surface: buttons come back through `chosen` by id.
class OnboardingSurface final : public port::Surface {
  public:
    OnboardingSurface(port::WindowSystem& windowSystem, const port::OnboardingModel& model);
    ~OnboardingSurface() override;

    port::SurfaceKind kind() const override { return port::SurfaceKind::onboarding; }
    void setFrame(const Rect&) override {}
    void setOpacity(double opacity) override;
    void setVisible(bool visible) override;
    void setModel(const port::SurfaceModel& model) override;

  private:
    port::WindowSystem& windowSystem_;
    std::unique_ptr<OnboardingWindow> window_;
    bool placed_ = false;
};

}  // namespace kelvra::views
