#pragma once

#include <functional>
#include <memory>

#include "platform/port/Signal.h"
#include "platform/port/Surfaces.h"

namespace kelvra {

class AppSettings;

// First-launch guidance in its own window, drawn through the surfaces port. For now it
// shows the welcome page; the pages and their steps arrive with the window itself.
// show() may be called any number of times: the one window comes to the front.
class OnboardingController {
  public:
    explicit OnboardingController(AppSettings& settings);
    ~OnboardingController();

    void show();
    // The welcome page as it is shown.
    port::OnboardingModel model() const;

    Signal<> onFinished;

  private:
    [[maybe_unused]] AppSettings& settings_;
    std::unique_ptr<port::Surface> surface_;
};

}  // namespace kelvra
