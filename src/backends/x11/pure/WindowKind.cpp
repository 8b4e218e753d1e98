#include "backends/x11/pure/WindowKind.h"

#include <map>

namespace kelvra::x11 {

namespace {

const std::map<std::string, std::string>& subroleByType() {
    static const std::map<std::string, std::string> table = {
        {"_NET_WM_WINDOW_TYPE_NORMAL", "AXStandardWindow"},
        {"_NET_WM_WINDOW_TYPE_DIALOG", "AXDialog"},
        {"_NET_WM_WINDOW_TYPE_UTILITY", "AXFloatingWindow"},
        {"_NET_WM_WINDOW_TYPE_TOOLBAR", "AXFloatingWindow"},
        {"_NET_WM_WINDOW_TYPE_MENU", "AXFloatingWindow"},
        {"_NET_WM_WINDOW_TYPE_SPLASH", "AXSystemDialog"},
        {"_NET_WM_WINDOW_TYPE_NOTIFICATION", "AXSystemFloatingWindow"},
        {"_NET_WM_WINDOW_TYPE_DOCK", "AXSystemFloatingWindow"},
        {"_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", "AXSystemFloatingWindow"},
        {"_NET_WM_WINDOW_TYPE_POPUP_MENU", "AXSystemFloatingWindow"},
        {"_NET_WM_WINDOW_TYPE_TOOLTIP", "AXSystemFloatingWindow"},
        {"_NET_WM_WINDOW_TYPE_COMBO", "AXSystemFloatingWindow"},
        {"_NET_WM_WINDOW_TYPE_DND", "AXSystemFloatingWindow"},
        {"_NET_WM_WINDOW_TYPE_DESKTOP", "AXUnknown"},
    };
    return table;
}

}  // namespace

std::string subroleFor(const std::vector<std::string>& windowTypes, bool transient) {
    // Clients list private types before the standard one they fall back to: the
    // first type we know decides.
    for (const auto& type : windowTypes) {
        auto it = subroleByType().find(type);
        if (it != subroleByType().end()) return it->second;
    }
    return transient ? "AXDialog" : "AXStandardWindow";
}

port::WindowKind windowKindFor(const std::vector<std::string>& windowTypes, bool transient) {
    std::string subrole = subroleFor(windowTypes, transient);
    if (subrole == "AXStandardWindow") return port::WindowKind::standard;
    if (subrole == "AXDialog") return port::WindowKind::dialog;
    if (subrole == "AXFloatingWindow") return port::WindowKind::floating;
    return port::WindowKind::other;
}

bool isTaskbarWindow(const std::vector<std::string>& windowTypes, bool transient,
                     bool skipTaskbar) {
    return !skipTaskbar && subroleFor(windowTypes, transient) == "AXStandardWindow";
}

}  // namespace kelvra::x11
