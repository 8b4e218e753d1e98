#include "backends/qt/views/QtSurfaces.h"

#include "backends/qt/views/AssistSurface.h"
#include "backends/qt/views/DividerSurface.h"
#include "backends/qt/views/OverlaySurface.h"
#include "backends/qt/views/SettingsSurface.h"
#include "backends/qt/views/TraySurface.h"
#include "backends/qt/views/ZonePickerSurface.h"

#include <string>

#include "port/Platform.h"

namespace kelvra::views {

QtSurfaces::QtSurfaces(port::WindowSystem& windowSystem, port::Surfaces* desktopSurfaces)
    : windowSystem_(windowSystem), desktopSurfaces_(desktopSurfaces) {}

QtSurfaces::~QtSurfaces() = default;

std::unique_ptr<port::Surface> QtSurfaces::create(const port::SurfaceModel& model) {
    if (desktopSurfaces_) {
        if (auto own = desktopSurfaces_->create(model)) return own;
    }
    auto kind = port::kindOf(model);
    if (kind == port::SurfaceKind::overlay)
        return std::make_unique<OverlaySurface>(windowSystem_, std::get<port::OverlayModel>(model));
    if (kind == port::SurfaceKind::divider)
        return std::make_unique<DividerSurface>(windowSystem_, std::get<port::DividerModel>(model));
    if (kind == port::SurfaceKind::tray)
        return std::make_unique<TraySurface>(windowSystem_, std::get<port::TrayModel>(model));
    if (kind == port::SurfaceKind::zonePicker)
        return std::make_unique<ZonePickerSurface>(windowSystem_,
                                                   std::get<port::ZonePickerModel>(model));
    if (kind == port::SurfaceKind::assistCards)
        return std::make_unique<AssistSurface>(windowSystem_,
                                               std::get<port::AssistCardsModel>(model));
    if (kind == port::SurfaceKind::settingsWindow)
        return std::make_unique<SettingsSurface>(windowSystem_,
                                                 std::get<port::SettingsWindowModel>(model));
    if (kind == port::SurfaceKind::onboarding)
        return std::make_unique<OnboardingSurface>(windowSystem_,
                                                   std::get<port::OnboardingModel>(model));
    if (reported_.insert(kind).second)
        logLine(std::string("the ") + port::kindName(kind) + " is not built yet on this desktop");
    return nullptr;
}

}  // namespace kelvra::views
