#pragma once

#include <functional>

namespace kelvra {

class AppSettings;

// First-launch guidance. For now it counts how often it was shown; the window
// arrives with the program's own panels. show() may be called any number of times.
class OnboardingController {
public:
    explicit OnboardingController(AppSettings& settings);

    void show();
    int showCount() const { return showCount_; }

    std::function<void()> onFinished;

private:
    [[maybe_unused]] AppSettings& settings_;
    int showCount_ = 0;
};

}  // namespace kelvra
