#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/SimDesktop.h"

namespace kelvra::sim {
namespace {

using port::AXElement;

class SimDesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desk.install();
        app = desk.addApp({"com.example.editor", "Editor"});
    }
    port::Accessibility& ax() { return *platform().accessibility; }

    SimDesktop desk;
    int32_t app = 0;
};

TEST_F(SimDesktopTest, ObserverNotificationsArriveOnlyWhenTheLoopRuns) {
    AXElement window = desk.addWindow(app);
    std::vector<std::string> seen;
    auto observer = ax().createObserver(app, [&](AXElement e, const std::string& n) {
        seen.push_back(n + (e == window ? "" : " (other)"));
    });
    ASSERT_TRUE(observer);
    for (const char* n : {"AXMoved", "AXResized", "AXUIElementDestroyed"}) {
        ASSERT_TRUE(ax().addNotification(*observer, window, n));
    }
    ASSERT_TRUE(ax().addNotification(*observer, ax().applicationElement(app), "AXWindowCreated"));

    desk.userSetFrame(window, {0, 0, 800, 600});  // moved, same size
    EXPECT_TRUE(seen.empty());
    desk.runLoop().runPending();
    EXPECT_EQ(seen, (std::vector<std::string>{"AXMoved"}));

    // The program's own writes are reported too, when they change something.
    ax().setAttributeValue(window, "AXSize", Size{500, 400});
    ax().setAttributeValue(window, "AXPosition", Point{0, 0});
    desk.addWindow(app);
    desk.destroyWindow(window);
    desk.runLoop().runPending();
    EXPECT_EQ(seen, (std::vector<std::string>{"AXMoved", "AXResized", "AXWindowCreated (other)",
                                              "AXUIElementDestroyed"}));
    EXPECT_FALSE(ax().pidOf(window));
    EXPECT_FALSE(ax().addNotification(*observer, window, "AXMoved"));
}

TEST_F(SimDesktopTest, HitTestingFollowsStackingAndRaise) {
    SimDesktop::WindowSpec spec;
    spec.frame = {0, 0, 400, 400};
    AXElement back = desk.addWindow(app, spec);
    spec.frame = {200, 200, 400, 400};
    AXElement front = desk.addWindow(app, spec);
    AXElement sw = ax().systemWideElement();
    EXPECT_EQ(ax().copyAttributeValue(back, "AXParent"),
              port::AXAttributeValue(ax().applicationElement(app)));

    EXPECT_EQ(ax().elementAtPosition(sw, {300, 300}), front);
    EXPECT_EQ(ax().elementAtPosition(sw, {100, 100}), back);
    ax().performAction(back, "AXRaise");
    EXPECT_EQ(ax().elementAtPosition(sw, {300, 300}), back);
    EXPECT_EQ(ax().copyAttributeValue(ax().applicationElement(app), "AXFocusedWindow"),
              port::AXAttributeValue(back));
    desk.setMinimized(back, true);
    EXPECT_EQ(ax().elementAtPosition(sw, {300, 300}), front);
}

TEST_F(SimDesktopTest, QuitAppsAnswerNothingAndTerminationIsAnnounced) {
    AXElement window = desk.addWindow(app);
    std::vector<int32_t> ended;
    auto sub = platform().applications->onTerminated(
        [&](const port::RunningApplication& a) { ended.push_back(a.pid); });

    EXPECT_TRUE(platform().applications->terminate(app));
    EXPECT_EQ(desk.terminateRequests(), std::vector<int32_t>{app});
    EXPECT_FALSE(ax().copyAttributeValue(window, "AXPosition"));
    EXPECT_FALSE(ax().copyAttributeValue(ax().applicationElement(app), "AXWindows"));
    EXPECT_TRUE(ended.empty());
    desk.runLoop().runPending();
    EXPECT_EQ(ended, std::vector<int32_t>{app});

    // The own process is always there, as an accessory application.
    auto running = platform().applications->runningApplications();
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(running[0].pid, desk.ownPid());
    EXPECT_EQ(running[0].activationPolicy, port::ActivationPolicy::accessory);
}

TEST_F(SimDesktopTest, HotKeysAreExclusiveAndDispatchToTheHandler) {
    auto& keys = *platform().hotKeys;
    std::vector<uint32_t> pressed;
    keys.installHandler([&](uint32_t, uint32_t id) { pressed.push_back(id); });
    desk.holdByOtherClient(0, 0x1000);
    const uint32_t sig = 0x4b4c5652;

    EXPECT_FALSE(keys.registerHotKey(0, 0x1000, sig, 1));
    auto ref = keys.registerHotKey(1, 0x1000, sig, 2);
    ASSERT_TRUE(ref);
    EXPECT_FALSE(keys.registerHotKey(1, 0x1000, sig, 3));
    EXPECT_TRUE(desk.pressHotKey(1, 0x1000));
    EXPECT_FALSE(desk.pressHotKey(1, 0x0100));
    EXPECT_EQ(pressed, std::vector<uint32_t>{2});

    keys.unregisterHotKey(*ref);
    EXPECT_FALSE(desk.pressHotKey(1, 0x1000));
}

TEST_F(SimDesktopTest, ScreenChangesAreDeliveredThroughTheLoopToCurrentSubscribers) {
    int calls = 0;
    auto kept = platform().screens->onScreensChanged([&] { ++calls; });
    auto dropped = platform().screens->onScreensChanged([&] { calls += 100; });
    desk.notifyScreensChanged();
    dropped.cancel();
    desk.runLoop().runPending();
    EXPECT_EQ(calls, 1);
}

TEST_F(SimDesktopTest, DefaultsKeepTheKindOfEachValue) {
    auto& defaults = *platform().defaults;
    defaults.set("flag", true);
    defaults.set("gap", 8.0);
    EXPECT_EQ(defaults.object("flag"), port::DefaultsValue(true));
    EXPECT_EQ(defaults.object("gap"), port::DefaultsValue(8.0));
    defaults.remove("flag");
    EXPECT_FALSE(defaults.object("flag"));
    EXPECT_EQ(platform().keyboardLayout->translate(40), "k");
}

}  // namespace
}  // namespace kelvra::sim
