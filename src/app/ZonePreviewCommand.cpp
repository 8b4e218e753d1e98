#include "app/ZonePreviewCommand.h"

#include "geometry/ScreenInfo.h"
#include "input/PreviewOverlay.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"
#include "window/WindowHandle.h"

namespace kelvra {

ZonePreviewCommand::ZonePreviewCommand(AppSettings& settings, PreviewOverlay& overlay)
    : settings_(settings), overlay_(overlay) {}

ZonePreviewCommand::~ZonePreviewCommand() = default;

std::optional<ZoneID> ZonePreviewCommand::zoneIn(const std::vector<std::string>& arguments) {
    const std::string prefix = option;
    std::optional<std::string> name;
    for (const auto& a : arguments)
        if (a.rfind(prefix, 0) == 0) name = a.substr(prefix.size());
    if (!name) return std::nullopt;
    auto zone = zoneFromRaw(*name);
    if (!zone) logLine("no zone is called \"" + *name + "\"");
    return zone;
}

namespace {

std::optional<ScreenInfo> screenForPreview() {
    if (auto window = WindowHandle::frontmost()) {
        if (auto frame = window->frame()) {
            if (auto screen = ScreenInfo::containing(*frame)) return screen;
        }
    }
    auto screens = ScreenInfo::all();
    if (screens.empty()) return std::nullopt;
    return screens.front();
}

}  // namespace

void ZonePreviewCommand::handle(const std::vector<std::string>& arguments) {
    auto zone = zoneIn(arguments);
    if (!zone) return;
    auto screen = screenForPreview();
    if (!screen) return;
    Rect target = frame(*zone, screen->visible, settings_.windowGap(), settings_.screenPadding());
    if (target.isEmpty()) return;
    overlay_.show(target);
    hideTimer_.once(*platform().runLoop, showDuration, [this] { overlay_.hide(); });
}

}  // namespace kelvra
