#include "app/StatusItemController.h"

#include "arrange/CustomLayout.h"
#include "ax/AXWindow.h"
#include "platform/port/Platform.h"
#include "settings/AppSettings.h"

namespace kelvra {

StatusItemController::StatusItemController(AppSettings& settings) : settings_(settings) {}

StatusItemController::~StatusItemController() = default;

port::TrayModel StatusItemController::model() const {
    port::TrayModel m;
    m.toolTip = "Kelvra";
    if (!Permissions::isGranted()) {
        m.icon = port::TrayIcon::permissionWarning;
    } else if (settings_.paused()) {
        m.icon = port::TrayIcon::paused;
    }
    return m;
}

void StatusItemController::refreshIcon() {
    if (!surface_) surface_ = platform().surfaces->create(model());
    if (!surface_) return;
    surface_->setModel(model());
    surface_->setVisible(true);
}

}  // namespace kelvra
