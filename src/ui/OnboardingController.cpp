#include "ui/OnboardingController.h"

#include "l10n/L10n.h"
#include "platform/port/Platform.h"

namespace kelvra {

OnboardingController::OnboardingController(AppSettings& settings) : settings_(settings) {}

OnboardingController::~OnboardingController() = default;

port::OnboardingModel OnboardingController::model() const {
    auto& l = L10n::shared();
    port::OnboardingModel m;
    m.title = l.string("onb.welcomeTitle");
    m.body = l.string("onb.welcomeBody");
    port::MenuItem next;
    next.id = "continue";
    next.title = l.string("onb.continue");
    m.buttons = {next};
    return m;
}

void OnboardingController::show() {
    if (!surface_) {
        surface_ = platform().surfaces->create(model());
        if (!surface_) return;
    }
    surface_->setVisible(true);
}

}  // namespace kelvra
