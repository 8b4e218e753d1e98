#include <gtest/gtest.h>

#include <cstdlib>

#include "backends/sim/SimDesktop.h"
#include "l10n/L10n.h"
#include "settings/AppSettings.h"
#include "ui/OnboardingController.h"

namespace kelvra {
namespace {

using port::SurfaceKind;

class OnboardingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desk.setNeedsPermission(false);
        // The check reads the session type: these tests are about an X11 session.
        setenv("XDG_SESSION_TYPE", "x11", 1);
    }

    std::optional<port::OnboardingModel> shown() {
        auto s = desk.surfaces().find(SurfaceKind::onboarding);
        if (!s || !s->visible) return std::nullopt;
        return std::get<port::OnboardingModel>(s->model);
    }
    void choose(const std::string& id) {
        desk.surfaces().choose(desk.surfaces().find(SurfaceKind::onboarding)->id, id);
    }
    void showAndContinue() {
        onboarding.show();
        choose("continue");
    }

    sim::SimDesktop desk;
    bool installed = (desk.install(), true);
    AppSettings settings{desk.defaults()};
    L10n l10n;
    OnboardingController onboarding{settings, l10n};
};

TEST(SessionCheckTest, TheSessionTypeTheWindowManagerAndThePermissionDecide) {
    struct Case {
        std::optional<std::string> session;
        bool windowManager;
        bool granted;
        SessionCheck expected;
    };
    const std::vector<Case> cases = {
        {"x11", true, true, SessionCheck::ready},
        {std::nullopt, true, true, SessionCheck::ready},
        {"wayland", true, true, SessionCheck::waylandSession},
        {"x11", false, true, SessionCheck::noWindowManager},
        {"x11", true, false, SessionCheck::needsPermission},
        {"tty", true, true, SessionCheck::ready},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checkSession(c.session, c.windowManager, c.granted), c.expected)
            << c.session.value_or("unset") << c.windowManager << c.granted;
}

// Only a Wayland session reached through Xwayland is the limited one: with a Wayland
// display the program runs on the compositor's own backend.
TEST_F(OnboardingTest, AWaylandSessionWithAWaylandDisplayIsNotTheLimitedOne) {
    setenv("XDG_SESSION_TYPE", "wayland", 1);
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(checkThisSession(), SessionCheck::waylandSession);
    setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    EXPECT_EQ(checkThisSession(), SessionCheck::ready);
    unsetenv("WAYLAND_DISPLAY");
}

// On a desktop that answers, the check page passes at once: Continue leads straight to
// the gestures; the crash choice is bound; Get started completes and tells the delegate.
TEST_F(OnboardingTest, ContinuePassesTheReadyCheckAtOnceAndGetStartedFinishes) {
    int finished = 0;
    auto sub = onboarding.onFinished.connect([&] { ++finished; });
    onboarding.show();
    ASSERT_TRUE(shown());
    EXPECT_EQ(shown()->page, 0);
    choose("continue");
    EXPECT_EQ(shown()->page, 2);
    ASSERT_EQ(shown()->examples.size(), 2u);
    EXPECT_EQ(shown()->examples[1].second, l10n.string("hud.show"));
    EXPECT_TRUE(shown()->crashOn);
    choose("crash:off");
    EXPECT_FALSE(settings.crashReportingEnabled() || shown()->crashOn);
    choose("start");
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(settings.hasCompletedOnboarding() &&
                AppSettings(desk.defaults()).hasCompletedOnboarding());
    desk.runLoop().runPending();
    EXPECT_EQ(desk.surfaces().count(SurfaceKind::onboarding), 0u);

    // Shown again after finishing: a new window from the welcome page.
    onboarding.show();
    EXPECT_EQ(shown()->page, 0);
}

// Without a window manager the page says so, offers a way out, and moves on by itself
// on the next one-second check once one answers.
TEST_F(OnboardingTest, WithoutAWindowManagerThePageWaitsAndMovesOnOnceOneAnswers) {
    desk.setHasWindowManager(false);
    showAndContinue();
    ASSERT_TRUE(shown());
    EXPECT_EQ(shown()->page, 1);
    EXPECT_EQ(shown()->title, l10n.string("onb.noWmTitle"));
    std::vector<std::string> ids;
    const auto page = *shown();
    for (const auto& b : page.buttons) ids.push_back(b.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"checkAgain", "continueAnyway", "quit"}));
    desk.runLoop().advance(1.0);
    EXPECT_EQ(shown()->page, 1);
    desk.setHasWindowManager(true);
    desk.runLoop().advance(1.0);
    EXPECT_EQ(shown()->page, 2);
    EXPECT_EQ(desk.runLoop().activeTimers(), 0u);
}

// On a desktop whose bridge answers only from the next login (GNOME), the waiting page says
// to log out and in once, and moves on the same way once the bridge answers.
TEST_F(OnboardingTest, ABridgeNewToTheSessionAsksForANewLoginAndMovesOnOnceItAnswers) {
    desk.setHasWindowManager(false);
    desk.setBridgeNeedsNewSession(true);
    showAndContinue();
    ASSERT_TRUE(shown());
    EXPECT_EQ(shown()->title, l10n.string("onb.newSessionTitle"));
    EXPECT_EQ(shown()->body, l10n.string("onb.newSessionBody"));
    EXPECT_EQ(shown()->waiting, l10n.string("onb.checking"));
    desk.setHasWindowManager(true);
    desk.runLoop().advance(1.0);
    EXPECT_EQ(shown()->page, 2);
}

TEST_F(OnboardingTest, ClosingKeepsThePageAndQuitAsksTheDelegate) {
    desk.setHasWindowManager(false);
    int quits = 0;
    auto sub = onboarding.onQuitRequested.connect([&] { ++quits; });
    showAndContinue();
    desk.surfaces().dismiss(desk.surfaces().find(SurfaceKind::onboarding)->id);
    EXPECT_EQ(desk.runLoop().activeTimers(), 0u);
    onboarding.show();
    EXPECT_EQ(shown()->page, 1);
    EXPECT_FALSE(settings.hasCompletedOnboarding());
    choose("quit");
    EXPECT_EQ(quits, 1);
    choose("continueAnyway");
    EXPECT_EQ(shown()->page, 2);
}

// A desktop that needs a permission (the simulated one can): Allow prompts, and the
// page moves on at the tick after it is granted.
TEST_F(OnboardingTest, APermissionGrantedLaterMovesThePageOnTheNextTick) {
    desk.setNeedsPermission(true);
    desk.setCanControlWindows(false);
    showAndContinue();
    EXPECT_EQ(shown()->page, 1);
    choose("grant");
    EXPECT_EQ(desk.promptCount(), 1);
    desk.setCanControlWindows(true);
    desk.runLoop().advance(1.0);
    EXPECT_EQ(shown()->page, 2);
}

}  // namespace
}  // namespace kelvra
