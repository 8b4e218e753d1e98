#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/SimDesktop.h"

namespace kelvra::sim {
namespace {

using port::WindowEvent;
using port::WindowRef;

class SimDesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desk.install();
        app = desk.addApp({"com.example.editor", "Editor"});
    }
    port::Windows& windows() { return *platform().windows; }

    SimDesktop desk;
    int32_t app = 0;
};

TEST_F(SimDesktopTest, WindowEventsArriveOnlyWhenTheLoopRunsAndEndWithTheWindow) {
    WindowRef window = desk.addWindow(app);
    std::vector<WindowEvent> seen;
    std::vector<WindowRef> created;
    auto observer = windows().observe(window, [&](WindowEvent e) { seen.push_back(e); });
    auto creations = windows().observeCreated(app, [&](WindowRef w) { created.push_back(w); });

    desk.userSetFrame(window, {0, 0, 800, 600});  // moved, same size
    EXPECT_TRUE(seen.empty());
    desk.runLoop().runPending();
    EXPECT_EQ(seen, std::vector<WindowEvent>{WindowEvent::moved});

    // The program's own changes are reported too, when they change something.
    windows().setFrame(window, {0, 0, 500, 400});
    windows().setFrame(window, {0, 0, 500, 400});
    desk.setMinimized(window, true);
    WindowRef second = desk.addWindow(app);
    desk.destroyWindow(window);
    desk.runLoop().runPending();
    EXPECT_EQ(seen, (std::vector<WindowEvent>{WindowEvent::moved, WindowEvent::resized,
                                              WindowEvent::minimized, WindowEvent::destroyed}));
    EXPECT_EQ(created, std::vector<WindowRef>{second});
    EXPECT_FALSE(windows().pid(window));
    EXPECT_FALSE(windows().observe(window, [](WindowEvent) {}).active());
}

TEST_F(SimDesktopTest, QuitAppsAnswerNothingAndTerminationIsAnnounced) {
    WindowRef window = desk.addWindow(app);
    std::vector<int32_t> ended;
    std::vector<WindowEvent> windowEvents;
    auto sub = platform().applications->onTerminated(
        [&](const port::RunningApplication& a) { ended.push_back(a.pid); });
    auto observer = windows().observe(window, [&](WindowEvent e) { windowEvents.push_back(e); });

    EXPECT_TRUE(platform().applications->terminate(app));
    EXPECT_EQ(desk.terminateRequests(), std::vector<int32_t>{app});
    EXPECT_FALSE(windows().frame(window));
    EXPECT_TRUE(windows().windowsOf(app).empty());
    EXPECT_TRUE(ended.empty());
    desk.runLoop().runPending();
    EXPECT_EQ(ended, std::vector<int32_t>{app});
    EXPECT_EQ(windowEvents, std::vector<WindowEvent>{WindowEvent::destroyed});

    // The own process is always there, as an accessory application.
    auto running = platform().applications->runningApplications();
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(running[0].pid, desk.ownPid());
    EXPECT_EQ(running[0].activationPolicy, port::ActivationPolicy::accessory);
}

}  // namespace
}  // namespace kelvra::sim
