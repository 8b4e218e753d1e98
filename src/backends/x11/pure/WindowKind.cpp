#include "backends/x11/pure/WindowKind.h"

#include <map>

namespace kelvra::x11 {

namespace {

using port::WindowKind;

const std::map<std::string, WindowKind>& kindByType() {
    static const std::map<std::string, WindowKind> table = {
        {"_NET_WM_WINDOW_TYPE_NORMAL", WindowKind::standard},
        {"_NET_WM_WINDOW_TYPE_DIALOG", WindowKind::dialog},
        {"_NET_WM_WINDOW_TYPE_UTILITY", WindowKind::floating},
        {"_NET_WM_WINDOW_TYPE_TOOLBAR", WindowKind::floating},
        {"_NET_WM_WINDOW_TYPE_MENU", WindowKind::floating},
        // The desktop's own surfaces and transient popups: never arranged.
        {"_NET_WM_WINDOW_TYPE_SPLASH", WindowKind::other},
        {"_NET_WM_WINDOW_TYPE_NOTIFICATION", WindowKind::other},
        {"_NET_WM_WINDOW_TYPE_DOCK", WindowKind::other},
        {"_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", WindowKind::other},
        {"_NET_WM_WINDOW_TYPE_POPUP_MENU", WindowKind::other},
        {"_NET_WM_WINDOW_TYPE_TOOLTIP", WindowKind::other},
        {"_NET_WM_WINDOW_TYPE_COMBO", WindowKind::other},
        {"_NET_WM_WINDOW_TYPE_DND", WindowKind::other},
        {"_NET_WM_WINDOW_TYPE_DESKTOP", WindowKind::other},
    };
    return table;
}

}  // namespace

WindowKind windowKindFor(const std::vector<std::string>& windowTypes, bool transient) {
    // Clients list private types before the standard one they fall back to: the
    // first type we know decides.
    for (const auto& type : windowTypes) {
        auto it = kindByType().find(type);
        if (it != kindByType().end()) return it->second;
    }
    return transient ? WindowKind::dialog : WindowKind::standard;
}

bool isTaskbarWindow(const std::vector<std::string>& windowTypes, bool transient,
                     bool skipTaskbar) {
    return !skipTaskbar && windowKindFor(windowTypes, transient) == WindowKind::standard;
}

}  // namespace kelvra::x11
