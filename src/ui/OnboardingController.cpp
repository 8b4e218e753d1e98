#include "ui/OnboardingController.h"

namespace kelvra {

OnboardingController::OnboardingController(AppSettings& settings) : settings_(settings) {}

void OnboardingController::show() { ++showCount_; }

}  // namespace kelvra
