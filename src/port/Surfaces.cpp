#include "port/Surfaces.h"

namespace kelvra::port {

const char* kindName(SurfaceKind kind) {
    switch (kind) {
        case SurfaceKind::overlay:
            return "zone preview";
        case SurfaceKind::zonePicker:
            return "zone picker";
        case SurfaceKind::divider:
            return "divider";
        case SurfaceKind::assistCards:
            return "snap assist cards";
        case SurfaceKind::tray:
            return "tray icon";
        case SurfaceKind::settingsWindow:
            return "settings window";
        case SurfaceKind::onboarding:
            return "welcome window";
    }
    return "surface";
}

}  // namespace kelvra::port
