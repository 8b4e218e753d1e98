#include <algorithm>

#include "DelegateFixture.h"
#include "app/TrayController.h"
#include "arrange/PlacementRuleManager.h"
#include "assist/SnapAssistController.h"
#include "cloud/CloudAccount.h"
#include "cloud/CloudSync.h"
#include "diagnostics/CrashReporter.h"
#include "diagnostics/UpdaterController.h"
#include "input/DragMonitor.h"
#include "input/KeyRecorder.h"
#include "input/ZonePickerController.h"
#include "tiling/TileGroupManager.h"
#include "ui/OnboardingController.h"

namespace kelvra::test {
namespace {

TEST_F(DelegateTest, StartsTheCoreAtLaunchWithPermissionAndOnboarding) {
    auto& d = launch(true, true);
    EXPECT_TRUE(d.coreStarted());
    EXPECT_TRUE(d.components().dragMonitor().running());
    EXPECT_TRUE(d.components().placementRuleManager().started());
    EXPECT_EQ(desktop.registeredHotKeys().size(), 18u);
    EXPECT_EQ(desktop.surfaces().count(port::SurfaceKind::onboarding), 0u);
    EXPECT_TRUE(delegate->components().cloudSync().started());
    EXPECT_TRUE(delegate->components().crashReporter().subscribed());
    EXPECT_TRUE(desktop.alerts().empty()) << "no conflicting manager runs";
}

TEST_F(DelegateTest, ShowsOnboardingWhenNotYetOnboarded) {
    auto& d = launch(true, false);
    EXPECT_FALSE(d.coreStarted());
    EXPECT_TRUE(desktop.surfaces().find(port::SurfaceKind::onboarding).value().visible);
    // Finishing onboarding with the permission starts the core.
    d.components().onboarding().onFinished.emit();
    EXPECT_TRUE(d.coreStarted());
    // Its shortcuts wait for the set to be chosen: closing the window keeps it as it is,
    // showing it again sets them aside for its check.
    EXPECT_TRUE(desktop.registeredHotKeys().empty());
    desktop.surfaces().dismiss(desktop.surfaces().find(port::SurfaceKind::onboarding)->id);
    EXPECT_EQ(desktop.registeredHotKeys().size(), 18u);
    d.components().trayController().onShowOnboarding.emit();
    EXPECT_TRUE(desktop.registeredHotKeys().empty());
}

TEST_F(DelegateTest, PermissionGrantedLaterStartsTheCoreOnceWithinTwoSeconds) {
    auto& d = launch(false, false);
    EXPECT_FALSE(d.coreStarted());
    desktop.runLoop().advance(2.0);
    EXPECT_FALSE(d.coreStarted()) << "still untrusted";
    auto trayIcon = [&] {
        return std::get<port::TrayModel>(desktop.surfaces().find(port::SurfaceKind::tray)->model)
            .icon;
    };
    EXPECT_EQ(trayIcon(), port::TrayIcon::noPermission) << "follows the permission";

    desktop.setCanControlWindows(true);
    desktop.runLoop().advance(2.0);
    EXPECT_TRUE(d.coreStarted());
    EXPECT_EQ(trayIcon(), port::TrayIcon::normal);
    EXPECT_TRUE(desktop.registeredHotKeys().empty()) << "registered once onboarding has checked";

    desktop.runLoop().advance(10.0);
    d.startCore();
    d.components().onboarding().finish();
    // Started once: hot keys registered once, never re-registered by later ticks.
    EXPECT_EQ(desktop.registeredHotKeys().size(), 18u);
    EXPECT_EQ(desktop.handlerInstallCount(), 1);

    // Withdrawn again: the core stays, but actions are refused.
    desktop.setCanControlWindows(false);
    desktop.runLoop().advance(4.0);
    EXPECT_TRUE(d.coreStarted());
    ASSERT_TRUE(desktop.pressHotKey(123, 0x1800));
    desktop.runLoop().runPending();
    EXPECT_EQ(frame(), (Rect{100, 100, 600, 400}));
}

TEST_F(DelegateTest, AHeldShortcutIsOnePressAndAFreshPressCyclesOn) {
    launch();
    const Rect leftHalf{0, 25, 716, 875};
    // About a second of the keyboard's auto-repeat.
    EXPECT_TRUE(desktop.holdKey(123, 0x1800));  // Ctrl+Alt+Left
    for (int repeat = 0; repeat < 20; ++repeat) {
        desktop.holdKey(123, 0x1800);
        desktop.runLoop().advance(0.05);
    }
    desktop.releaseKey(123);
    desktop.runLoop().runPending();
    EXPECT_EQ(frame(), leftHalf);

    ASSERT_TRUE(desktop.pressHotKey(123, 0x1800));
    desktop.runLoop().runPending();
    EXPECT_NE(frame(), leftHalf) << "a press after the release is the next step of the cycle";
}

TEST_F(DelegateTest, ShortcutEditsWithin200msReRegisterOnce) {
    auto& d = launch();
    auto& settings = delegate->settings();
    int before = desktop.handlerInstallCount();

    auto table = settings.shortcuts();
    for (auto [action, key] :
         {std::pair{"snapLeftHalf", 0u}, {"snapRightHalf", 1u}, {"center", 11u}}) {
        table[action] = KeyCombo{key, 0x1800};  // Ctrl+Alt+A, S, B
        settings.shortcuts.set(table);
        desktop.runLoop().advance(0.1);
    }
    desktop.runLoop().advance(0.09);
    // Not yet: the last change was 190 ms ago.
    EXPECT_FALSE(desktop.pressHotKey(0, 0x1800));
    desktop.runLoop().advance(0.02);
    for (uint32_t key : {0, 1, 11}) EXPECT_TRUE(desktop.pressHotKey(key, 0x1800)) << key;
    EXPECT_FALSE(desktop.pressHotKey(123, 0x1800)) << "the old combination is gone";
    EXPECT_EQ(desktop.handlerInstallCount(), before);
    EXPECT_EQ(desktop.registeredHotKeys().size(), 18u);
    EXPECT_TRUE(d.coreStarted());
}

TEST_F(DelegateTest, RecordingCancelsAPendingReRegistrationAndItsEndRegistersTheTable) {
    launch();
    auto& settings = delegate->settings();
    auto table = settings.shortcuts();
    table["snapLeftHalf"] = KeyCombo{0, 0x1800};  // Ctrl+Alt+A
    settings.shortcuts.set(table);
    desktop.runLoop().advance(0.1);
    delegate->components().keyRecorder().began.emit();
    // The debounce would have fired here, in the middle of the recording.
    desktop.runLoop().advance(0.5);
    EXPECT_TRUE(desktop.registeredHotKeys().empty());
    // A change made while recording waits for the end too.
    table["center"] = KeyCombo{11, 0x1800};  // Ctrl+Alt+B
    settings.shortcuts.set(table);
    desktop.runLoop().advance(0.5);
    EXPECT_TRUE(desktop.registeredHotKeys().empty());

    delegate->components().keyRecorder().ended.emit();
    EXPECT_EQ(desktop.registeredHotKeys().size(), 18u);
    for (uint32_t key : {0, 11}) EXPECT_TRUE(desktop.pressHotKey(key, 0x1800)) << key;
    EXPECT_FALSE(desktop.pressHotKey(123, 0x1800));
}

TEST_F(DelegateTest, TilingOffAndScreenChangesDissolveTileGroups) {
    auto& d = launch();
    auto& tiles = d.components().tileManager();
    auto snapSomething = [&] {
        d.dispatcher().perform(SnapAction::snapLeftHalf);
        ASSERT_EQ(tiles.members().size(), 1u);
    };
    settings().tilingEnabled.set(true);
    snapSomething();
    settings().tilingEnabled.set(false);
    EXPECT_TRUE(tiles.members().empty()) << "tiling off";
    settings().tilingEnabled.set(true);
    snapSomething();
    desktop.notifyScreensChanged();
    desktop.runLoop().runPending();
    EXPECT_TRUE(tiles.members().empty()) << "screens changed";
}

// A tile group forgets the snap of a window it sees moved out of its place, a moment after;
// a drag of that window gets there first, even when the drag's later events come late.
TEST_F(DelegateTest, ASnappedWindowDraggedAwayTakesBackItsSizeBeforeItsGroupLooks) {
    auto& d = launch();
    settings().tilingEnabled.set(true);
    d.dispatcher().perform(SnapAction::snapLeftHalf);
    const Rect snapped = frame();
    const Point press{snapped.midX(), snapped.y + 10};
    using Type = port::MouseEvent::Type;
    desktop.emitMouse({Type::leftDown, press, false});
    desktop.userSetFrame(window, {snapped.x + 30, snapped.y + 30, snapped.width, snapped.height});
    desktop.emitMouse({Type::leftDragged, {press.x + 30, press.y + 30}, false});
    desktop.runLoop().advance(0.2);
    desktop.emitMouse({Type::leftDragged, {press.x + 40, press.y + 40}, false});
    desktop.emitMouse({Type::leftUp, {press.x + 40, press.y + 40}, false});
    EXPECT_EQ(frame().size(), (Size{600, 400}));
}

// The drag preview's wiring is shown by the end-to-end drag test.
TEST_F(DelegateTest, WiresTrayAndSnapAssist) {
    auto& d = launch();
    d.components().trayController().onShowZonePicker.emit();
    EXPECT_TRUE(d.components().zonePicker().hasVisiblePanel());
    d.components().trayController().onShowSettings.emit();
    d.components().trayController().onShowSettings.emit();
    EXPECT_EQ(desktop.surfaces().count(port::SurfaceKind::settingsWindow), 1u) << "one window";
    EXPECT_TRUE(desktop.surfaces().find(port::SurfaceKind::settingsWindow)->visible);
    d.components().trayController().onShowOnboarding.emit();
    EXPECT_TRUE(desktop.surfaces().find(port::SurfaceKind::onboarding)->visible);

    auto other = desktop.addWindow(editor, {.frame = {300, 200, 500, 400}});
    desktop.setFocusedWindow(editor, window);
    d.dispatcher().applyToFrontmost(ZoneID::leftHalf);
    ASSERT_TRUE(d.components().snapAssist().isOffering());
    ASSERT_EQ(d.components().snapAssist().candidates().size(), 1u);
    EXPECT_EQ(d.components().snapAssist().candidates()[0].window.element(), other);
    EXPECT_EQ(d.components().tileManager().members().size(), 1u);
}

// Tools that move windows too are found by their process, a script's by the script's
// name, and named together in one alert; only the first button quits them.
TEST_F(DelegateTest, ConflictingProgramsAreNamedTogetherAndQuitByTheFirstButton) {
    desktop.processes().list = {{7001, {"x-tile", "python3"}},
                                {7002, {"python3", "quicktile"}},
                                {7003, {"x-tile"}},
                                {7004, {"bash"}}};
    for (bool quit : {false, true}) {
        SCOPED_TRACE(quit);
        desktop.setAlertResponse(port::Alerts::firstButtonReturn + (quit ? 0 : 1));
        launch();
        ASSERT_EQ(desktop.alerts().size(), quit ? 2u : 1u);
        EXPECT_EQ(desktop.alerts().back().messageText, "X Tile and QuickTile is running");
        EXPECT_EQ(desktop.alerts().back().buttons,
                  (std::vector<std::string>{"Quit X Tile and QuickTile", "Keep it running"}));
        EXPECT_EQ(desktop.terminateRequests(),
                  (quit ? std::vector<int32_t>{7001, 7002, 7003} : std::vector<int32_t>{}));
    }
}

TEST_F(DelegateTest, UpdaterExistsOnlyWithAFeedAndItsKey) {
    desktop.buildInfo().updateFeedUrl = "https://updates.example.org/feed.xml";
    launch();
    EXPECT_EQ(delegate->components().updater(), nullptr);
    auto hasItem = [&](Command command) {
        return std::ranges::any_of(
            delegate->components().trayController().model().menu,
            [&](const auto& item) { return item.id == actionName(command); });
    };
    EXPECT_FALSE(hasItem(Command::checkForUpdates));

    delegate.reset();
    desktop.buildInfo().updatePublicKey = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=";
    launch();
    EXPECT_NE(delegate->components().updater(), nullptr);
    // The tray checks now and shows how the check went.
    delegate->components().trayController().choose(Command::checkForUpdates);
    ASSERT_EQ(desktop.http().requests().size(), 1u);
    EXPECT_EQ(desktop.http().requests()[0].url, "https://updates.example.org/feed.xml");
    desktop.runLoop().advance(0);
    EXPECT_TRUE(hasItem(Command::showUpdateStatus));
}

TEST_F(DelegateTest, AStoredTokenRefreshesTheAccountAtLaunch) {
    std::string error;
    desktop.secrets().store("cloudToken", "t0ken", error);
    launch();
    ASSERT_FALSE(desktop.http().requests().empty());
    EXPECT_EQ(desktop.http().requests().front().url, "https://sync.kelvra.app/api/me");
}

TEST_F(DelegateTest, SignInCallbacksReachTheAccountAndJunkIsIgnored) {
    auto& d = launch();
    delegate->components().cloudAccount().signIn();
    ASSERT_EQ(desktop.browser().opened().size(), 1u);
    const std::string& page = desktop.browser().opened().front();
    std::string state = page.substr(page.find("&state=") + 7);
    for (auto junk : {std::optional<std::string>{}, {"not a url"}, {""}, {":nothing"}})
        d.openUrl(junk);
    EXPECT_TRUE(desktop.http().requests().empty());
    d.openUrl("kelvra://auth?code=abc&state=" + state);
    ASSERT_EQ(desktop.http().requests().size(), 1u);
    EXPECT_EQ(desktop.http().requests().front().url, "https://sync.kelvra.app/api/app/token");
}

TEST_F(DelegateTest, TerminationStopsEverythingAndLaterCallbacksDoNothing) {
    auto& d = launch();
    d.shutdown();
    EXPECT_FALSE(d.components().dragMonitor().running());
    EXPECT_TRUE(desktop.registeredHotKeys().empty());
    // A table change waits 200 ms to be registered; the delegate goes first.
    auto table = settings().shortcuts();
    table.erase("center");
    settings().shortcuts.set(table);
    delegate.reset();
    desktop.runLoop().advance(5.0);
    EXPECT_TRUE(desktop.registeredHotKeys().empty());
}

}  // namespace
}  // namespace kelvra::test
