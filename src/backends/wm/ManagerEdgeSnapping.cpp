#include "backends/wm/ManagerEdgeSnapping.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "backends/wm/GSettingsEdgeSnapping.h"
#include "backends/wm/KWinEdgeSnapping.h"
#include "backends/wm/XfwmEdgeSnapping.h"

namespace kelvra::wm {

std::unique_ptr<port::ManagerSnapping> edgeSnappingOf(std::string_view managerName) {
    std::string name(managerName);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto has = [&name](const char* part) { return name.find(part) != std::string::npos; };
    // Muffin and Marco name the manager they descend from too: they are asked first.
    if (has("muffin"))
        return std::make_unique<GSettingsEdgeSnapping>("Muffin", "org.cinnamon.muffin",
                                                       "edge-tiling");
    if (has("marco"))
        return std::make_unique<GSettingsEdgeSnapping>("Marco", "org.mate.Marco.general",
                                                       "allow-tiling");
    if (has("mutter") || has("gnome shell"))
        return std::make_unique<GSettingsEdgeSnapping>(std::string(managerName), "org.gnome.mutter",
                                                       "edge-tiling");
    if (has("kwin")) return std::make_unique<KWinEdgeSnapping>();
    if (has("xfwm")) return std::make_unique<XfwmEdgeSnapping>();
    return nullptr;
}

}  // namespace kelvra::wm
