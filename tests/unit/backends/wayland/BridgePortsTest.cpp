#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "../bridge/BridgeScript.h"
#include "backends/sim/VirtualRunLoop.h"
#include "backends/wayland/BridgeApplications.h"
#include "backends/wayland/BridgeHotKeys.h"
#include "backends/wayland/BridgeMouseEvents.h"
#include "backends/wayland/BridgeScreens.h"
#include "backends/wayland/BridgeWindows.h"
#include "port/Platform.h"

namespace kelvra::wayland {
namespace {

using nlohmann::json;

json rect(double x, double y, double w, double h) {
    return {{"x", x}, {"y", y}, {"w", w}, {"h", h}};
}

json window(const std::string& id, int pid, json frame, const std::string& kind = "normal") {
    return {
        {"id", id},      {"pid", pid},         {"appId", "org.example.App" + std::to_string(pid)},
        {"kind", kind},  {"minimized", false}, {"title", id},
        {"frame", frame}};
}

// What the bridge does while a port waits for it: the test's script, played at once.
struct ScriptedWait : BridgeWait {
    std::function<void()> bridge;
    int waits = 0;
    bool waitUntil(const std::function<bool()>& done, int) override {
        ++waits;
        if (bridge) std::exchange(bridge, nullptr)();
        return done();
    }
};

// The ports over a session that a test plays the bridge's side of.
class BridgePortsTest : public ::testing::Test {
  protected:
    BridgePortsTest() {
        platform.runLoop = &runLoop;
        installPlatform(platform);
        bridge.hello();
        bridge.send("snapshot", {{"windows",
                                  {window("a", 10, rect(0, 0, 800, 600)),
                                   window("b", 20, rect(100, 100, 300, 300)),
                                   window("tip", 20, rect(150, 150, 10, 10), "other")}},
                                 {"screens",
                                  {{{"name", "Virtual-1"},
                                    {"geometry", rect(0, 0, 1440, 900)},
                                    {"workArea", rect(0, 30, 1440, 870)}}}},
                                 {"active", "b"},
                                 {"pointer", {{"x", 5}, {"y", 5}}}});
    }
    ~BridgePortsTest() override { uninstallPlatform(); }

    Platform platform;
    sim::VirtualRunLoop runLoop;
    bridge::BridgeSession session{runLoop, 1};
    test::BridgeScript bridge{session};
    std::vector<json>& commands = bridge.commands;
    ScriptedWait wait;
    BridgeWindows windows{session, wait};
};

TEST_F(BridgePortsTest, ReadsWindowsFromTheMirrorTopmostFirstAndWithStableRefs) {
    auto at = windows.windowAt({155, 155});
    ASSERT_TRUE(at);
    EXPECT_EQ(windows.title(*at), "tip");
    EXPECT_EQ(windows.kind(*at), port::WindowKind::other);
    EXPECT_EQ(windows.title(*windows.windowAt({120, 120})), "b");
    EXPECT_EQ(windows.title(*windows.windowAt({700, 500})), "a");
    EXPECT_FALSE(windows.windowAt({1000, 800}));

    auto focused = windows.focusedWindow();
    ASSERT_TRUE(focused);
    EXPECT_EQ(focused, windows.windowAt({120, 120}));
    EXPECT_EQ(windows.pid(*focused), 20);
    EXPECT_EQ(windows.appId(*focused), "org.example.App20");
    EXPECT_EQ(windows.frame(*focused), (Rect{100, 100, 300, 300}));
    EXPECT_EQ(windows.windowsOf(20).size(), 2u);

    bridge.send("windowMinimized", {{"window", "b"}, {"minimized", true}});
    EXPECT_EQ(windows.isMinimized(*focused), true);
    EXPECT_EQ(windows.title(*windows.windowAt({120, 120})), "a") << "a minimized window is not hit";
    bridge.send("windowRemoved", {{"window", "b"}});
    EXPECT_FALSE(windows.exists(*focused));
    EXPECT_FALSE(windows.focusedWindow());
}

TEST_F(BridgePortsTest, TellsObserversOfChangesOnTheRunLoop) {
    std::vector<port::WindowEvent> events;
    auto ref = *windows.windowAt({700, 500});
    auto watching = windows.onWindowEvent(ref, [&](port::WindowEvent e) { events.push_back(e); });
    std::vector<std::string> created;
    auto creating = windows.onWindowCreated(
        30, [&](port::WindowRef r) { created.push_back(*windows.title(r)); });

    bridge.send("windowMoved", {{"window", "a"}, {"frame", rect(5, 0, 800, 600)}});
    bridge.send("windowResized", {{"window", "a"}, {"frame", rect(5, 0, 700, 600)}});
    bridge.send("windowMoved", {{"window", "b"}, {"frame", rect(0, 0, 300, 300)}});
    bridge.send("windowAdded", {{"window", window("c", 30, rect(0, 0, 10, 10))}});
    bridge.send("windowRemoved", {{"window", "a"}});
    EXPECT_TRUE(events.empty()) << "never from inside the bus call";
    runLoop.runPending();
    EXPECT_EQ(events,
              (std::vector<port::WindowEvent>{port::WindowEvent::moved, port::WindowEvent::resized,
                                              port::WindowEvent::destroyed}));
    EXPECT_EQ(created, std::vector<std::string>{"c"});
}

TEST_F(BridgePortsTest, SetFrameWaitsForTheFrameTheClientTookOrGivesUp) {
    auto ref = *windows.windowAt({700, 500});
    bridge.poll();
    // The bridge answers on the bus while the call waits.
    wait.bridge = [this] {
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0]["cmd"], "setFrame");
        EXPECT_EQ(commands[0]["frame"], rect(0, 30, 720, 870));
        bridge.send(
            "result",
            {{"id", commands[0]["id"]}, {"status", "settled"}, {"frame", rect(0, 30, 714, 868)}});
    };
    EXPECT_EQ(windows.setFrame(ref, {0, 30, 720, 870}), (Rect{0, 30, 714, 868}));

    // No answer: after the wait, what the mirror knows.
    bridge.poll();
    EXPECT_EQ(windows.setFrame(ref, {1, 2, 3, 4}), (Rect{0, 0, 800, 600}));
    // A window that went meanwhile.
    bridge.poll();
    wait.bridge = [this] {
        bridge.send("result", {{"id", commands.back()["id"]}, {"status", "noWindow"}});
    };
    EXPECT_FALSE(windows.setFrame(ref, {1, 2, 3, 4}));
    EXPECT_EQ(wait.waits, 3);
    // A restarted bridge has not said hello to this session: nothing to wait for.
    bridge::BridgeSession fresh(runLoop, 1);
    BridgeWindows unconnected(fresh, wait);
    EXPECT_FALSE(unconnected.setFrame(ref, {1, 2, 3, 4}));
    EXPECT_EQ(wait.waits, 3);
}

TEST_F(BridgePortsTest, MovesTheUserDrivesArePressDragAndRelease) {
    BridgeMouseEvents mouse(session);
    std::vector<std::pair<port::MouseEvent::Type, double>> seen;
    auto listening =
        mouse.onEvent([&](const port::MouseEvent& e) { seen.emplace_back(e.type, e.location.x); });
    mouse.start();
    auto move = [&](const char* type, double x) {
        bridge.send(
            type,
            {{"window", "a"}, {"frame", rect(x, 0, 800, 600)}, {"pointer", {{"x", x}, {"y", 9}}}});
    };
    // The press of a move is on the moved window, even where its frame is not yet (the
    // compositor may start the move late, the pointer already far away).
    bridge.send(
        "moveStarted",
        {{"window", "a"}, {"frame", rect(0, 0, 800, 600)}, {"pointer", {{"x", 1000}, {"y", 800}}}});
    const auto pressed = windows.windowAt({1000, 800});
    ASSERT_TRUE(pressed) << "the press of a move found no window";
    EXPECT_EQ(windows.title(*pressed), "a");
    move("moveStarted", 10);
    move("moveStepped", 40);
    move("moveFinished", 50);
    runLoop.runPending();
    using T = port::MouseEvent::Type;
    EXPECT_EQ(seen, (std::vector<std::pair<T, double>>{{T::leftDown, 1000},
                                                       {T::leftDown, 10},
                                                       {T::leftDragged, 40},
                                                       {T::leftDragged, 50},
                                                       {T::leftUp, 50}}));
    mouse.stop();
    move("moveStarted", 10);
    runLoop.runPending();
    EXPECT_EQ(seen.size(), 5u);
}

TEST_F(BridgePortsTest, ScreensAndApplicationsFollowTheBridge) {
    BridgeScreens screens(session, wait);
    ASSERT_EQ(screens.screens().size(), 1u);
    bridge.poll();
    wait.bridge = [this] {
        bridge.send("result", {{"id", commands.back()["id"]},
                               {"status", "done"},
                               {"pointer", {{"x", 640}, {"y", 480}}}});
    };
    EXPECT_EQ(screens.pointerLocation(), (Point{640, 480}));
    commands.clear();
    EXPECT_EQ(screens.screens()[0].visibleFrame, (Rect{0, 30, 1440, 870}));
    int changes = 0;
    auto watching = screens.onScreensChanged([&] { ++changes; });
    bridge.send("screensChanged", {{"screens",
                                    {{{"name", "Virtual-1"},
                                      {"geometry", rect(0, 0, 1440, 900)},
                                      {"workArea", rect(0, 0, 1440, 900)}}}}});
    runLoop.runPending();
    EXPECT_EQ(changes, 1);

    BridgeApplications apps(session);
    EXPECT_EQ(apps.frontmostApplication()->pid, 20);
    EXPECT_EQ(apps.runningApplications().size(), 2u);
    std::vector<int> launched, ended;
    auto l = apps.onLaunched([&](const port::RunningApplication& a) { launched.push_back(a.pid); });
    auto t = apps.onTerminated([&](const port::RunningApplication& a) { ended.push_back(a.pid); });
    bridge.send("windowAdded", {{"window", window("c", 30, rect(0, 0, 10, 10))}});
    bridge.send("windowRemoved", {{"window", "b"}});
    bridge.send("windowRemoved", {{"window", "tip"}});
    runLoop.runPending();
    EXPECT_EQ(launched, std::vector<int>{30});
    EXPECT_EQ(ended, std::vector<int>{20}) << "an application ends with its last window";
    bridge.poll();
    EXPECT_TRUE(apps.activate(30));
    runLoop.runPending();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0]["cmd"], "activate");
    EXPECT_EQ(commands[0]["window"], "c");
}

TEST_F(BridgePortsTest, HotKeysAreHeldByTheBridgeByKeyPositionAndAgainAfterItsRestart) {
    BridgeHotKeys hotKeys{session, wait, windows};
    std::vector<std::pair<uint32_t, uint32_t>> pressed;
    auto listening = hotKeys.onPressed([&](uint32_t s, uint32_t id) {
        pressed.push_back({s, id});
    });
    auto answer = [this](const char* status) {
        wait.bridge = [this, status] {
            bridge.send("result", {{"id", commands.back()["id"]}, {"status", status}});
        };
    };
    const uint32_t controlAlt = 0x1000 | 0x0800;
    bridge.poll();
    answer("done");
    auto left = hotKeys.registerHotKey(123, controlAlt, 7, 1);  // Left
    ASSERT_TRUE(left);
    EXPECT_EQ(commands.back()["cmd"], "grabKey");
    EXPECT_EQ(commands.back()["accelerator"], "<Control><Alt>0x71");
    const json leftName = commands.back()["name"];
    bridge.poll();
    answer("failed");  // another program holds it
    EXPECT_FALSE(hotKeys.registerHotKey(124, controlAlt | 0x0200 | 0x0100, 7, 2));
    EXPECT_EQ(commands.back()["accelerator"], "<Control><Alt><Shift><Super>0x72");

    bridge.send("keyPressed", {{"name", leftName}});
    EXPECT_TRUE(pressed.empty()) << "posted: a listener may wait for the bridge";
    runLoop.runPending();
    EXPECT_EQ(pressed, (std::vector<std::pair<uint32_t, uint32_t>>{{7, 1}}));

    // A forecast names the window and each key as the bridge knows them; keys Kelvra does
    // not hold are left out, and none at all withdraws it.
    bridge.poll();
    auto b = *windows.focusedWindow();
    hotKeys.forecast(port::HotKeyForecast{
        b, {100, 100, 300, 300}, {{1, {0, 30, 720, 870}}, {2, {0, 30, 1440, 870}}}, 1.5});
    session.flush();
    EXPECT_EQ(commands.back(),
              (json{{"id", commands.back()["id"]},
                    {"cmd", "forecast"},
                    {"window", "b"},
                    {"from", rect(100, 100, 300, 300)},
                    {"keys", {{{"name", leftName}, {"frame", rect(0, 30, 720, 870)}}}},
                    {"validMs", 1500}}));
    bridge.poll();
    hotKeys.forecast(std::nullopt);
    session.flush();
    EXPECT_EQ(commands.back(),
              (json{{"id", commands.back()["id"]}, {"cmd", "forecast"}, {"window", ""}}));

    // The compositor restarted: its new bridge holds nothing until asked again.
    commands.clear();
    bridge.hello("gnome", 43);
    bridge.poll();
    runLoop.runPending();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0]["name"], leftName);
    bridge.poll();
    hotKeys.unregisterHotKey(*left);
    session.flush();
    EXPECT_EQ(commands.back(),
              (json{{"id", commands.back()["id"]}, {"cmd", "releaseKey"}, {"name", leftName}}));
}

}  // namespace
}  // namespace kelvra::wayland
