#include "app/StatusItemController.h"

namespace kelvra {

StatusItemController::StatusItemController(AppSettings& settings) : settings_(settings) {}

void StatusItemController::refreshIcon() { ++refreshCount_; }

}  // namespace kelvra
