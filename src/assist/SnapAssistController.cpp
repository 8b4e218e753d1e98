#include "assist/SnapAssistController.h"

namespace kelvra {

SnapAssistController::SnapAssistController(AppSettings& settings, SnapEngine& engine)
    : settings_(settings), engine_(engine) {}

void SnapAssistController::maybeShow(ZoneID afterSnapping, const ScreenInfo&,
                                     const AXWindow& snapped) {
    last_ = Offer{afterSnapping, snapped};
}

}  // namespace kelvra
