#include "SnapEngineTestSupport.h"

namespace kelvra::test {
namespace {

TEST_F(SnapEngineTest, RepeatedPressesWithinTwoSecondsCycle) {
    AXWindow w = window();
    press(w, SnapAction::snapLeftHalf);
    EXPECT_EQ(frameOf(w), Rect(0, 25, 715, 875));
    desktop.runLoop().advance(1.9);
    press(w, SnapAction::snapLeftHalf);
    EXPECT_EQ(snappedZone(w), ZoneID::leftTwoThirds);
    desktop.runLoop().advance(1.9);
    press(w, SnapAction::snapLeftHalf);
    EXPECT_EQ(snappedZone(w), ZoneID::leftThird);
    EXPECT_EQ(frameOf(w), Rect(0, 25, 475, 875));
    desktop.runLoop().advance(1.9);
    press(w, SnapAction::snapLeftHalf);
    EXPECT_EQ(snappedZone(w), ZoneID::leftHalf);
    // The chain of snaps still restores to the frame before the first one.
    EXPECT_EQ(stackDepth(w), 1u);
}

TEST_F(SnapEngineTest, TwoSecondsApartStartsAgain) {
    AXWindow w = window();
    press(w, SnapAction::snapLeftHalf);
    desktop.runLoop().advance(2.0);
    press(w, SnapAction::snapLeftHalf);
    EXPECT_EQ(snappedZone(w), ZoneID::leftHalf);
    EXPECT_EQ(engine->lastShortcutSnap()->zone, ZoneID::leftHalf);
}

TEST_F(SnapEngineTest, CyclingFollowsTheSameActionAndWindowOnly) {
    AXWindow w = window();
    AXWindow other = window();
    press(w, SnapAction::snapLeftThird);
    press(w, SnapAction::snapLeftThird);
    EXPECT_EQ(snappedZone(w), ZoneID::leftHalf);  // wraps from the last entry

    press(w, SnapAction::maximize);
    press(w, SnapAction::maximize);
    EXPECT_EQ(snappedZone(w), ZoneID::almostMaximize);
    press(w, SnapAction::maximize);
    EXPECT_EQ(snappedZone(w), ZoneID::maximize);

    press(other, SnapAction::maximize);  // another window starts at its own zone
    EXPECT_EQ(snappedZone(other), ZoneID::maximize);

    for (int i = 0; i < 3; ++i) {
        press(w, SnapAction::snapTopHalf);
        EXPECT_EQ(snappedZone(w), ZoneID::topHalf);
    }
    EXPECT_EQ(frameOf(w), Rect(0, 25, 1440, 432.5));

    // Actions without a zone do nothing here.
    events.clear();
    press(w, SnapAction::restore);
    press(w, SnapAction::nextDisplay);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(engine->lastShortcutSnap()->action, SnapAction::snapTopHalf);
}

}  // namespace
}  // namespace kelvra::test
