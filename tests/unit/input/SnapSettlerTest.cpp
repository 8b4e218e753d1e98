// The snap on release against a window manager that is still finishing its move.
#include "DragFixture.h"

namespace kelvra::test {
namespace {

class SnapSettlerTest : public DragFixture {
  protected:
    // A drag to the left edge, released: the snap has been set.
    void snapByDrag() {
        dragWindowTo({2, 450});
        ASSERT_EQ(frameOf(window), zoneFrame(ZoneID::leftHalf));
        dropped = Rect{cursor.x - 200, cursor.y - 10, 800, 600};
        desktop.clearWindowCalls();
    }
    sim::VirtualRunLoop& loop() { return desktop.runLoop(); }
    Rect dropped;
};

TEST_F(SnapSettlerTest, ALateMoveOfTheManagerIsUndoneOnce) {
    struct Case {
        const char* name;
        double lateMoveAt;  // seconds after the release
    };
    for (const Case& c : {Case{"just after", 0.01}, Case{"after the first check", 0.1}}) {
        SCOPED_TRACE(c.name);
        snapByDrag();
        loop().advance(c.lateMoveAt);
        desktop.userSetFrame(window, dropped);
        loop().advance(SnapSettler::lastCheck);
        EXPECT_EQ(frameOf(window), zoneFrame(ZoneID::leftHalf));
        EXPECT_EQ(calls("setFrame"), 1u);
        EXPECT_EQ(loop().activeTimers(), 0u);
    }
    // Once only: a manager that moves it again keeps it.
    snapByDrag();
    loop().advance(0.01);
    desktop.userSetFrame(window, dropped);
    loop().advance(SnapSettler::firstCheck);
    desktop.userSetFrame(window, dropped);
    loop().advance(1);
    EXPECT_EQ(frameOf(window), dropped);
    EXPECT_EQ(calls("setFrame"), 1u);
}

TEST_F(SnapSettlerTest, ASnapThatStaysIsLeftAloneAndAnotherPressEndsTheWatch) {
    snapByDrag();
    loop().advance(1);
    EXPECT_EQ(calls("setFrame"), 0u);
    EXPECT_EQ(calls("frame"), 2u);  // read back twice

    snapByDrag();
    press({100, 100});
    desktop.userSetFrame(window, dropped);
    loop().advance(1);
    EXPECT_EQ(calls("setFrame"), 0u);
    EXPECT_EQ(frameOf(window), dropped);
}

// Size rules may keep a window from the exact zone frame: what it got at the zone's
// place is the snap, and is not set again.
TEST_F(SnapSettlerTest, AWindowThatCannotTakeTheZoneSizeIsNotSetAgain) {
    window = desktop.addWindow(pid, {.frame = {100, 100, 800, 600}, .minSize = {900, 300}});
    dragWindowTo({2, 450});
    const Rect f = frameOf(window);
    EXPECT_EQ(f.origin(), zoneFrame(ZoneID::leftHalf).origin());
    desktop.clearWindowCalls();
    loop().advance(1);
    EXPECT_EQ(calls("setFrame"), 0u);
}

}  // namespace
}  // namespace kelvra::test
