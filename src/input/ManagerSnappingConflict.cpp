#include "input/ManagerSnappingConflict.h"

#include <variant>

#include "port/Platform.h"
#include "settings/AppSettings.h"

namespace kelvra {

namespace {

// What the manager had before Kelvra switched its snapping off, and which manager that
// was; kept on this machine only (another machine's manager has its own settings).
constexpr const char* savedKey = "managerSnappingSaved";
constexpr const char* savedForKey = "managerSnappingSavedFor";

std::string text(AppSettings& settings, const char* key) {
    auto v = settings.defaults().object(key);
    if (v && std::holds_alternative<std::string>(*v)) return std::get<std::string>(*v);
    return {};
}

// The values saved from the manager running now: another manager (one replaced since)
// never gets them. Values saved without a name are from the only manager that had them.
std::string saved(AppSettings& settings) {
    const std::string owner = text(settings, savedForKey);
    if (!owner.empty() && owner != platform().managerSnapping->managerName()) return {};
    return text(settings, savedKey);
}

}  // namespace

ManagerSnappingConflict::ManagerSnappingConflict(AppSettings& settings) : settings_(settings) {
    refresh();
    // Switching Kelvra's drag snapping off gives the manager its own back.
    dragSnap_ = settings_.dragSnapEnabled.sink([this](bool on) {
        if (!on && situation_ == Situation::switchedOff) restoreManager();
    });
}

std::string ManagerSnappingConflict::managerName() const {
    return platform().managerSnapping->managerName();
}

void ManagerSnappingConflict::refresh() {
    auto& manager = *platform().managerSnapping;
    Situation now = Situation::none;
    if (!manager.managerName().empty()) {
        const auto on = manager.isOn();
        if (!on)
            now = Situation::unreadable;
        else if (*on)
            now = Situation::bothOn;
        else if (!saved(settings_).empty())
            now = Situation::switchedOff;
    }
    if (now == situation_) return;
    situation_ = now;
    changed.emit();
}

bool ManagerSnappingConflict::stepsAside() const {
    return situation_ == Situation::bothOn;
}

bool ManagerSnappingConflict::switchManagerOff() {
    auto& manager = *platform().managerSnapping;
    const auto values = manager.switchOff();
    if (!values) {
        logLine("cannot switch off " + manager.managerName() +
                "'s edge snapping: its settings cannot be written");
        refresh();
        return false;
    }
    // A second yes keeps the values from before the first.
    if (saved(settings_).empty()) {
        settings_.defaults().set(savedKey, *values);
        settings_.defaults().set(savedForKey, manager.managerName());
    }
    logLine(manager.managerName() + "'s edge snapping switched off; Kelvra snaps dragged windows");
    refresh();
    return true;
}

bool ManagerSnappingConflict::restoreManager() {
    auto& manager = *platform().managerSnapping;
    const std::string values = saved(settings_);
    if (values.empty()) return true;
    if (!manager.restore(values)) {
        logLine("cannot put back " + manager.managerName() +
                "'s edge snapping: its settings cannot be written");
        return false;
    }
    settings_.defaults().remove(savedKey);
    settings_.defaults().remove(savedForKey);
    logLine(manager.managerName() + "'s edge snapping put back as it was");
    refresh();
    return true;
}

}  // namespace kelvra
