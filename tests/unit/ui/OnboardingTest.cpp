#include <gtest/gtest.h>

#include <cstdlib>

#include "backends/sim/SimDesktop.h"
#include "input/ManagerSnappingConflict.h"
#include "input/ShortcutManager.h"
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

// Where the desktop takes some defaults, a first start shows the set with those marked
// before the gestures; one click puts in the first alternative set found free here (keys
// the user chose stay), and what the page showed is not told again once registered.
TEST_F(OnboardingTest, TakenDefaultsLeadToTheShortcutsPageAndItsFreeAlternative) {
    constexpr uint32_t ctrlAlt = modifierBits::control | modifierBits::alt;
    constexpr uint32_t left = 123, right = 124, backspace = 51, keyC = 8;
    const KeyCombo own{keyC, modifierBits::shift | modifierBits::super};
    desk.holdByOtherClient(left, ctrlAlt);
    desk.holdByOtherClient(right, ctrlAlt);
    desk.bindToServerAction(backspace, ctrlAlt);
    desk.holdByOtherClient(left, modifierBits::control | modifierBits::super);
    desk.holdByOtherClient(own.keyCode, own.modifiers);
    auto table = settings.shortcuts();
    table["center"] = own;
    settings.shortcuts.set(table);

    showAndContinue();
    ASSERT_TRUE(shown());
    EXPECT_EQ(shown()->page, 2);
    EXPECT_EQ(shown()->pageCount, 4);
    EXPECT_EQ(shown()->title, l10n.string("onb.keysTitle"));
    ASSERT_EQ(shown()->examples.size(), 18u);
    auto marked = [&](const std::string& key) {
        int n = 0;
        const auto page = *shown();
        for (const auto& [keys, what] : page.examples)
            n += what.ends_with(" — " + l10n.string(key)) ? 1 : 0;
        return n;
    };
    EXPECT_EQ(marked("onb.keyTaken"), 3);
    EXPECT_EQ(marked("onb.keyServer"), 1);
    // Ctrl+Super has one taken here, so the next set is offered.
    ASSERT_EQ(shown()->buttons.size(), 2u);
    EXPECT_EQ(shown()->buttons[0].title, "Use Alt+Super");
    EXPECT_TRUE(desk.registeredHotKeys().empty()) << "the checks keep nothing";
    choose("start");
    EXPECT_FALSE(settings.hasCompletedOnboarding()) << "the page wants its answer first";

    choose(OnboardingShortcutsPage::useAlternative);
    EXPECT_EQ(shown()->page, 3);
    EXPECT_EQ(shown()->examples[0].first, "Alt+Super+←");
    EXPECT_EQ(settings.shortcuts().at("restore"),
              (KeyCombo{backspace, modifierBits::alt | modifierBits::super}));
    EXPECT_EQ(settings.shortcuts().at("center"), own);
    ShortcutManager manager(l10n);
    manager.registerShortcuts(settings.shortcuts());
    EXPECT_EQ(desk.registeredHotKeys().size(), 17u);
    EXPECT_TRUE(desk.notifications().shown.empty());
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

// The gestures' page makes the snap tab's offer: the manager's own edge snapping is
// switched off and back only by the user's click.
TEST_F(OnboardingTest, TheGesturesPageOffersToSwitchTheManagersEdgeSnappingOffAndBack) {
    desk.managerSnapping().name = "Xfwm4";
    desk.managerSnapping().on = true;
    ManagerSnappingConflict conflict(settings);
    OnboardingController withConflict(settings, l10n, &conflict);
    withConflict.show();
    choose("continue");
    ASSERT_EQ(withConflict.page(), 2);
    const auto offer = [&] { return shown()->help.at(0); };
    EXPECT_EQ(offer().id, "managerSnapOff");
    EXPECT_NE(offer().title.find("Xfwm4"), std::string::npos);
    EXPECT_TRUE(desk.managerSnapping().on);

    choose("managerSnapOff");
    EXPECT_FALSE(desk.managerSnapping().on);
    EXPECT_EQ(offer().id, "managerSnapRestore");
    choose("managerSnapRestore");
    EXPECT_TRUE(desk.managerSnapping().on);

    settings.dragSnapEnabled.set(false);
    EXPECT_TRUE(shown()->help.empty()) << "no offer while Kelvra does not snap drags";
}

}  // namespace
}  // namespace kelvra
