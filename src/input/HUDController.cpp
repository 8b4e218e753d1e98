#include "input/HUDController.h"

namespace kelvra {

void HUDController::show() {
    model.selection = 0;
    panelOpen_ = true;
}

void HUDController::close() {
    panelOpen_ = false;
}

}  // namespace kelvra
