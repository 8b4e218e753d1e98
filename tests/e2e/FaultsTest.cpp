// The session misbehaves under a running program: windows vanish mid-operation,
// monitors come and go, the window manager dies and another takes over, the X server
// goes away. The program neither crashes nor hangs, and keeps working where it can.
#include <X11/keysym.h>
#include <signal.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

// Two new windows snapped to the left and right halves: a tile group with its divider.
::testing::AssertionResult groupPair(Desktop& desktop, Window& left, Window& right) {
    left = desktop.startActiveClient({"left"});
    if (auto r = desktop.pressAndExpect(left, XK_Left, zone::leftHalf); !r) return r;
    right = desktop.startActiveClient({"right"});
    if (auto r = desktop.pressAndExpect(right, XK_Right, zone::rightHalf); !r) return r;
    if (!Desktop::waitUntil([&] { return desktop.kelvraWindows().size() == 1; }))
        return ::testing::AssertionFailure() << "no divider";
    return ::testing::AssertionSuccess();
}

TEST(Faults, WindowsVanishingMidDragAndMidResizeLeaveNoPreviewOrDivider) {
    Desktop desktop;
    desktop.startKelvra();
    // Held at the left edge, previewing, when the window is destroyed.
    Window dragged = desktop.startActiveClient({"dragged", {"--geometry", "500x400+300+200"}});
    desktop.dragTitleBar(dragged, {1, 450}, 30);
    ASSERT_TRUE(Desktop::waitUntil([&] { return !desktop.kelvraWindows().empty(); }))
        << "no preview";
    XKillClient(desktop.display(), dragged);
    XSync(desktop.display(), False);
    desktop.moveButton({2, 2}, 10);
    desktop.releaseButton();
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraWindows().empty(); }))
        << "the preview outlived its window";

    // A tile group whose follower vanishes while the leader's resize is propagating.
    Window a = 0, b = 0;
    ASSERT_TRUE(groupPair(desktop, a, b));
    XWindowAttributes attributes;
    XGetWindowAttributes(desktop.display(), a, &attributes);
    for (int step = 1; step <= 5; ++step)
        desktop.tellWindowManager(
            a, "_NET_MOVERESIZE_WINDOW",
            {NorthWestGravity | (1 << 10) | (2 << 12), 0, 0, attributes.width + 40 * step});
    XKillClient(desktop.display(), b);
    XSync(desktop.display(), False);
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraWindows().empty(); }))
        << "the divider outlived its pair";

    Window survivor = desktop.startActiveClient({"survivor"});
    EXPECT_TRUE(desktop.pressAndExpect(survivor, XK_Right, zone::rightHalf));
    EXPECT_TRUE(desktop.kelvraRunning());
}

// One monitor, then a second beside it while two windows are grouped, then the second
// taken away in the middle of a drag towards it.
TEST(Faults, MonitorsComingAndGoingUnderGroupsAndDragsAreFollowed) {
    Desktop desktop({.screen = "2880x900x24", .monitors = {{"LEFT", 0, 0, 1440, 900, true}}});
    desktop.startKelvra();
    Window a = 0, b = 0;
    ASSERT_TRUE(groupPair(desktop, a, b));

    ASSERT_EQ(desktop.run({"xrandr", "--setmonitor", "RIGHT", "1440/360x900/225+1440+0", "none"}),
              0);
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraWindows().empty(); }))
        << "the group outlived the monitors it was made on";
    // The new monitor is there for the shortcuts.
    EXPECT_TRUE(desktop.pressAndExpect(b, XK_n, {1440 + 724, 0, 716, 900}));

    desktop.activate(a);
    desktop.dragTitleBar(a, {2000, 300}, 20);
    ASSERT_EQ(desktop.run({"xrandr", "--delmonitor", "RIGHT"}), 0);
    desktop.moveButton({1, 450}, 30);
    desktop.releaseButton();
    EXPECT_TRUE(desktop.reaches(a, zone::leftHalf)) << "the drag on the remaining monitor";
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraWindows().empty(); }))
        << "a preview was left behind";
    EXPECT_TRUE(desktop.pressAndExpect(a, XK_Return, zone::maximized));
    EXPECT_TRUE(desktop.kelvraRunning());
}

// The window manager is killed mid-run: without one the shortcuts still move windows,
// and once another manager has taken over they work through it, drags included.
TEST(Faults, TheWindowManagerKilledAndReplacedMidRun) {
    Desktop desktop;
    desktop.startKelvra();
    Window w = desktop.startActiveClient({"through it all"});
    ASSERT_TRUE(desktop.pressAndExpect(w, XK_Left, zone::leftHalf));

    desktop.replaceWindowManager({});
    // The dead manager's frame extents stay on the window; nothing draws them now.
    XDeleteProperty(desktop.display(), w, XInternAtom(desktop.display(), "_NET_FRAME_EXTENTS", 0));
    XSetInputFocus(desktop.display(), w, RevertToPointerRoot, CurrentTime);
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_Right, zone::rightHalf)) << "without a manager";

    desktop.replaceWindowManager(
        {"openbox", "--sm-disable", "--config-file", (desktop.home() / "openbox-rc.xml").string()});
    desktop.activate(w);
    // Known: a press within about a second of the takeover may still place the window as
    // if undecorated (README, "Faults and soak"); the ones after it are right.
    desktop.pressShortcut(XK_Right);
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_Return, zone::maximized)) << "under the new one";
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_Left, zone::leftHalf));
    EXPECT_TRUE(desktop.kelvraRunning());
}

// The X server dies: the program says so and exits soon with status 1, and does not spin
// while it goes. (Settings are written at each change, so an end here loses nothing.)
TEST(Faults, TheXServerGoingAwayEndsTheProgramCleanly) {
    Desktop desktop;
    desktop.startKelvra();
    desktop.startTestClient({"a window"});
    const pid_t pid = desktop.kelvraPid();
    const long before = cpuTicks(pid);
    desktop.killServer();
    long last = before;
    const auto start = std::chrono::steady_clock::now();
    const bool ended = Desktop::waitUntil(
        [&] {
            if (long now = cpuTicks(pid); now >= 0) last = now;
            return !desktop.kelvraRunning();
        },
        5s);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(ended) << "still running 5 s after the server went";
    // Under a tenth of the time it took in CPU: no busy loop on the dead connection.
    EXPECT_LE(last - before,
              10 + std::chrono::duration_cast<std::chrono::milliseconds>(took).count() *
                       sysconf(_SC_CLK_TCK) / 10000)
        << "CPU ticks while going: " << last - before;
    if (!ended) return;
    EXPECT_EQ(desktop.kelvra().exitCode(), 1) << "signal " << desktop.kelvra().terminatingSignal();
    // The toolkit's connection usually notices first and says so; else the program's own.
    EXPECT_TRUE(desktop.kelvraSaid("X11 connection broke") ||
                desktop.kelvraSaid("lost the connection to the X server"))
        << desktop.kelvra().logText();
}

}  // namespace
}  // namespace kelvra::e2e
