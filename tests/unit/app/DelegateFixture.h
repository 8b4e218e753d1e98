#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/AppDelegate.h"
#include "backends/sim/SimDesktop.h"
#include "settings/AppSettings.h"

namespace kelvra::test {

// One 1440 x 900 screen with a 25-point bar at the top, one editor application with
// one frontmost standard window, and a delegate that has finished launching.
class DelegateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop.install();
        desktop.setPreferredLanguages({"en-US"});
        screen = desktop.addScreenTopLeft({0, 0, 1440, 900}, {0, 25, 1440, 875});
        editor = desktop.addApp({"org.example.Editor", "Editor", port::ActivationPolicy::regular});
        window = desktop.addWindow(editor, {.frame = {100, 100, 600, 400}});
        desktop.setFrontmostApp(editor);
    }

    void TearDown() override { delegate.reset(); }

    // Creates the delegate and runs start-up with the given trust and onboarding state.
    AppDelegate& launch(bool canControlWindows = true, bool onboarded = true) {
        desktop.setCanControlWindows(canControlWindows);
        delegate = std::make_unique<AppDelegate>();
        delegate->settings().hasCompletedOnboarding.set(onboarded);
        delegate->start();
        desktop.runLoop().runPending();
        return *delegate;
    }

    Rect frame() const { return desktop.windowFrame(window); }
    AppSettings& settings() { return delegate->settings(); }

    sim::SimDesktop desktop;
    uint64_t screen = 0;
    int32_t editor = 0;
    port::WindowRef window;
    std::unique_ptr<AppDelegate> delegate;
};

}  // namespace kelvra::test
