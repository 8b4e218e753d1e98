#include "ui/SettingsWindowController.h"

namespace kelvra {

SettingsWindowController::SettingsWindowController(AppSettings& settings) : settings_(settings) {}

void SettingsWindowController::show(std::optional<SettingsTab> select) {
    if (select) tab_ = *select;
    ++showCount_;
}

}  // namespace kelvra
