#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backends/sim/SimDesktop.h"

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
    auto observer = windows().onWindowEvent(window, [&](WindowEvent e) { seen.push_back(e); });
    auto creations = windows().onWindowCreated(app, [&](WindowRef w) { created.push_back(w); });

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
    EXPECT_FALSE(windows().onWindowEvent(window, [](WindowEvent) {}).active());
}

}  // namespace
}  // namespace kelvra::sim
