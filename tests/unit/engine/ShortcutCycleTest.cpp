#include "SnapEngineTestSupport.h"

namespace kelvra::test {
namespace {

TEST_F(SnapEngineTest, RepeatsOfOneActionWithinTwoSecondsCycleThroughItsZones) {
    using enum ZoneID;
    using A = SnapAction;
    struct Step {
        double after;  // seconds since the previous press
        SnapAction action;
        ZoneID zone;
    };
    const Step steps[] = {
        {0, A::snapLeftHalf, leftHalf},
        {1.9, A::snapLeftHalf, leftTwoThirds},
        {1.9, A::snapLeftHalf, leftThird},
        {1.9, A::snapLeftHalf, leftHalf},
        {2.0, A::snapLeftHalf, leftHalf},  // two seconds apart: starts again
        {0, A::snapLeftThird, leftThird},  // another action starts at its own zone
        {0, A::snapLeftThird, leftHalf},   // and wraps from the last entry
        {0, A::maximize, maximize},
        {0, A::maximize, almostMaximize},
        {0, A::maximize, maximize},
        {0, A::snapTopHalf, topHalf},  // zones without a cycle stay
        {0, A::snapTopHalf, topHalf},
    };
    WindowHandle w = window();
    int n = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(++n);
        desktop.runLoop().advance(s.after);
        press(w, s.action);
        EXPECT_EQ(snappedZone(w), s.zone);
    }
    // The chain of snaps still restores to the frame before the first one.
    EXPECT_EQ(stackDepth(w), 1u);

    // Another window starts at its own zone.
    WindowHandle other = window();
    press(w, A::maximize);
    press(other, A::maximize);
    EXPECT_EQ(snappedZone(other), maximize);

    // Actions without a zone do nothing here, and do not break the chain.
    events.clear();
    press(other, A::restore);
    press(other, A::nextDisplay);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(engine->lastShortcutSnap()->action, A::maximize);
}

}  // namespace
}  // namespace kelvra::test
