#include <functional>
#include <string>
#include <vector>

#include "DragFixture.h"

namespace kelvra::test {
namespace {

using Zones = std::vector<std::optional<ZoneID>>;
const Point midLeftEdge{2, 450};

// Which grabs become a snapping drag: the window under the press point, a standard
// window of another, non-excluded application, while drag snapping may act.
struct Grab {
    const char* name;
    std::function<void(DragFixture&)> setUp;
    bool snaps;
};
using F = DragFixture;
const Grab grabs[] = {
    {"standardWindow", [](F&) {}, true},
    // The focused window of that application wins when it covers the press point.
    {"focusedOfTwo",
     [](F& f) {
         f.desktop.addWindow(f.pid, {.frame = {100, 100, 800, 600}});
         f.desktop.setFocusedWindow(f.pid, f.window);
         f.desktop.setFrontmostApp(f.pid);
     },
     true},
    // A focused sibling elsewhere is not the window under the press.
    {"unfocusedOfTwo",
     [](F& f) {
         auto sibling = f.desktop.addWindow(f.pid, {.frame = {950, 400, 400, 300}});
         f.desktop.setFocusedWindow(f.pid, sibling);
         f.desktop.setFrontmostApp(f.pid);
     },
     true},
    {"dialog", [](F& f) { f.desktop.setKind(f.window, port::WindowKind::dialog); }, false},
    {"ownWindow", [](F& f) { f.window = f.desktop.addWindow(f.desktop.ownPid()); }, false},
    {"excludedApp",
     [](F& f) {
         f.settings->excludedApps.set({{"org.example.editor", {}}});
     },
     false},
    {"pressBeside",
     [](F& f) {
         f.desktop.userSetFrame(f.window, {400, 300, 400, 300});
     },
     false},
    {"dragSnappingOff", [](F& f) { f.settings->dragSnapEnabled.set(false); }, false},
    {"paused", [](F& f) { f.settings->paused.set(true); }, false},
    {"noPermission", [](F& f) { f.desktop.setCanControlWindows(false); }, false},
};

class WhichGrabs : public DragFixture, public ::testing::WithParamInterface<Grab> {};

TEST_P(WhichGrabs, SnapIntoTheZoneAtTheEdge) {
    GetParam().setUp(*this);
    dragWindowTo(midLeftEdge);
    const bool snaps = GetParam().snaps;
    const Rect left = zoneFrame(ZoneID::leftHalf);
    EXPECT_EQ(frameOf(window) == left, snaps) << frameOf(window);
    EXPECT_EQ(zones, (snaps ? Zones{ZoneID::leftHalf, std::nullopt} : Zones{}));
    EXPECT_TRUE(snaps ? lastPreview == left : calls("setFrame") == 0) << lastPreview;
}

INSTANTIATE_TEST_SUITE_P(Drag, WhichGrabs, ::testing::ValuesIn(grabs),
                         [](const auto& info) { return std::string(info.param.name); });

using DragMonitorTest = DragFixture;

TEST_F(DragMonitorTest, ADragBeginsBeyondFourPointsFromThePress) {
    press({300, 110});
    desktop.clearWindowCalls();  // the press notes the frame of the window under it
    dragTo({304, 110});
    dragTo({300, 106});
    EXPECT_EQ(calls("frame"), 0u) << "within 4 points no drag is recognised";
    dragTo({303, 113});  // 4.24 points
    EXPECT_GT(calls("frame"), 0u);
    release();

    // A click without movement snaps nothing, even at an edge.
    desktop.clearWindowCalls();
    press(midLeftEdge);
    release();
    EXPECT_TRUE(calls("setFrame") == 0 && zones.empty());
}

// The window manager may have moved the window off the press point before the first
// movement arrives; or the pointer was read at the press just off a window that the
// manager moved along a moment later.
TEST_F(DragMonitorTest, TheWindowMovedByTheManagerIsDraggedWhateverTheTimingOfItsMoves) {
    for (bool pressReadLate : {false, true}) {
        SCOPED_TRACE(pressReadLate ? "press read late" : "window moved early");
        desktop.userSetFrame(window, {100, 100, 800, 600});
        press({300, pressReadLate ? 98.0 : 110.0});
        if (pressReadLate) desktop.userSetFrame(window, {100, 88, 800, 600});
        grabbed = window;
        glideTo(midLeftEdge);  // the first step takes the window 15 points down
        release();
        EXPECT_EQ(frameOf(window), zoneFrame(ZoneID::leftHalf));
    }
}

TEST_F(DragMonitorTest, FramesAreReadAtMostOncePerCheckIntervalWhileTheZoneFollowsTheCursor) {
    grab();
    dragTo({320, 110});
    desktop.clearWindowCalls();
    // 0.3 s of events every 8 ms along the bottom edge, then into the left edge.
    const double start = desktop.runLoop().now();
    for (int i = 0; i < 36; ++i) dragTo({600.0 - i * 16, 898});
    dragTo(midLeftEdge);
    const double elapsed = desktop.runLoop().now() - start;
    EXPECT_LE(calls("frame"), size_t(elapsed / DragMonitor::frameCheckInterval) + 1);
    EXPECT_GE(calls("frame"), size_t(elapsed / 0.04));
    EXPECT_EQ(zones, (Zones{ZoneID::bottomHalf, ZoneID::leftHalf}));
}

TEST_F(DragMonitorTest, ResizingByAnEdgeIsNoDrag) {
    press({899, 400});  // on the right border
    for (int i = 1; i <= 20; ++i) {
        desktop.userSetFrame(window, {100, 100, 800.0 + i * 30, 600});
        dragTo({899.0 + i * 30, 400});
    }
    EXPECT_TRUE(zones.empty()) << "the right edge was reached while resizing";
    release();
    EXPECT_EQ(engine->snappedWindows.size(), 0u);
}

TEST_F(DragMonitorTest, ASnappedWindowPulledAwayTakesBackItsSizeAndStillSnaps) {
    auto w = *WindowHandle::make(window);
    engine->snap(w, ZoneID::leftHalf, ScreenInfo::all()[0]);
    grabbed = window;
    press({358, 40});  // the middle of the snapped window's title bar
    dragTo({363, 40});
    dragTo({380, 60});
    // The old size, with the grabbed point (the middle) still under the cursor.
    EXPECT_EQ(frameOf(window).size(), (Size{800, 600}));
    EXPECT_NEAR(frameOf(window).midX(), 380, 1);
    EXPECT_FALSE(engine->snappedWindows.contains(w));
    // Its size change does not count as a resize: the drag goes on to the right edge.
    glideTo({1438, 450});
    release();
    EXPECT_EQ(frameOf(window), zoneFrame(ZoneID::rightHalf));
}

// Movements that reach Kelvra in one burst, after the window manager has moved the
// window all the way: the window was still pulled out of its zone.
TEST_F(DragMonitorTest, ASnappedWindowPulledOutInOneBurstOfMovesTakesBackItsSize) {
    auto w = *WindowHandle::make(window);
    engine->snap(w, ZoneID::leftHalf, ScreenInfo::all()[0]);
    press({358, 40});
    Rect f = frameOf(window);
    desktop.userSetFrame(window, {f.x + 300, f.y + 300, f.width, f.height});
    for (Point p : {Point{370, 50}, Point{500, 200}, Point{658, 340}})
        desktop.emitMouse({port::MouseEvent::Type::leftDragged, p, false});
    release();
    EXPECT_EQ(frameOf(window).size(), (Size{800, 600}));
    EXPECT_FALSE(engine->snappedWindows.contains(w));
}

TEST_F(DragMonitorTest, TheSuppressModifierHidesThePreviewAndReleasingWithItSnapsNothing) {
    grab();
    glideTo(midLeftEdge);
    ASSERT_EQ(shownZone(), ZoneID::leftHalf);
    dragTo({2, 460}, true);
    EXPECT_EQ(shownZone(), std::nullopt);
    dragTo({2, 470});
    EXPECT_EQ(shownZone(), ZoneID::leftHalf) << "letting go of the modifier shows it again";
    dragTo({2, 480}, true);
    desktop.emitMouse({port::MouseEvent::Type::leftUp, {2, 480}, true});
    EXPECT_EQ(engine->snappedWindows.size(), 0u);
    EXPECT_EQ(zones, (Zones{ZoneID::leftHalf, std::nullopt, ZoneID::leftHalf, std::nullopt}));
}

// Turning drag snapping on during a drag that began while it was off: the drag events
// it ignored changed nothing, so the press still counts.
TEST_F(DragMonitorTest, IgnoredDragEventsLeaveThePhaseAlone) {
    settings->dragSnapEnabled.set(false);
    press({300, 110});
    glideTo({300, 140});
    settings->dragSnapEnabled.set(true);
    dragTo({300, 142});
    grabbed = window;
    glideTo(midLeftEdge);
    release();
    EXPECT_EQ(frameOf(window), zoneFrame(ZoneID::leftHalf));
}

// Two screens side by side: their shared edge is a way across, so its zone shows only
// once the cursor rests there.
TEST_F(DragMonitorTest, ASharedEdgeShowsItsZoneAfterTheDwell) {
    desktop.addScreenTopLeft({1440, 0, 1440, 900}, {1440, 0, 1440, 900});
    grab();
    // Crossing to the other screen shows nothing on the way.
    glideTo({1437, 450});
    glideTo({1800, 450});
    EXPECT_TRUE(zones.empty());

    glideTo({1437, 450});
    desktop.runLoop().advance(DragMonitor::dwellThreshold - 3 * eventInterval);
    dragTo({1437, 452});
    EXPECT_TRUE(zones.empty()) << "not yet";
    desktop.runLoop().advance(2 * eventInterval);
    dragTo({1437, 454});
    EXPECT_EQ(shownZone(), ZoneID::rightHalf);

    // The far edge of the other screen needs no dwell.
    glideTo({1800, 450});
    glideTo({2878, 450}, 200);
    EXPECT_EQ(zones, (Zones{ZoneID::rightHalf, std::nullopt, ZoneID::rightHalf}));
    release();
    EXPECT_EQ(frameOf(window), zoneFrame(ZoneID::rightHalf, 1));
}

TEST_F(DragMonitorTest, AZoneShownWhenADwellBeginsStaysUntilTheDwellEnds) {
    desktop.addScreenTopLeft({1440, 0, 1440, 900}, {1440, 0, 1440, 900});
    grab();
    glideTo({1000, 2});  // top edge: the top half, no neighbour above
    ASSERT_EQ(shownZone(), ZoneID::topHalf);
    dragTo({1437, 2});  // top-right corner, on the shared edge
    EXPECT_EQ(zones, (Zones{ZoneID::topHalf}));
    release();
    EXPECT_EQ(frameOf(window), zoneFrame(ZoneID::topHalf));
}

TEST_F(DragMonitorTest, StartFailureIsLoggedAndStopEndsTheDrag) {
    grab();
    glideTo(midLeftEdge);
    monitor->stop();
    EXPECT_EQ(zones, (Zones{ZoneID::leftHalf, std::nullopt}));
    EXPECT_FALSE(desktop.mouseSourceRunning());

    desktop.setMouseSourceFails(true);
    monitor->start();
    EXPECT_FALSE(monitor->running());
    EXPECT_EQ(desktop.logLines().at(desktop.logLines().size() - 1),
              "Kelvra: cannot listen to the mouse buttons; drag snapping is off");
}

}  // namespace
}  // namespace kelvra::test
