#include <limits>

#include "SnapEngineTestSupport.h"

namespace kelvra::test {
namespace {

TEST_F(SnapEngineTest, SnapRecordsTheFrameAndNotifiesInOrder) {
    WindowHandle w = window();
    engine->snap(w, ZoneID::leftHalf, screen());
    EXPECT_EQ(frameOf(w), Rect(0, 25, 715, 875));
    EXPECT_EQ(std::pair(snappedZone(w), engine->snappedWindows.at(w).frame),
              std::pair(std::optional(ZoneID::leftHalf), Rect(0, 25, 715, 875)));
    EXPECT_EQ(events, (std::vector<std::string>{"snap leftHalf", "didSnap leftHalf"}));

    // A second handle on the same window is the same registry key.
    WindowHandle again = *WindowHandle::make(w.element());
    engine->snap(again, ZoneID::rightHalf, screen());
    EXPECT_EQ(engine->snappedWindows.size(), 1u);
    EXPECT_EQ(snappedZone(w), ZoneID::rightHalf);
    EXPECT_EQ(stackDepth(w), 1u);

    // What is recorded and announced is the frame the application accepted.
    WindowHandle wide = window({100, 100, 800, 600}, {900, 0});
    engine->snap(wide, ZoneID::leftHalf, screen());
    EXPECT_EQ(engine->snappedWindows.at(wide).frame, Rect(0, 25, 900, 875));
    EXPECT_EQ(lastSnapFrame, Rect(0, 25, 900, 875));
}

// A zone with no room (padding or gap too large, or not a number) leaves the window and
// the engine's records alone, and the log names the setting once per cause.
TEST_F(SnapEngineTest, SettingsThatLeaveNoRoomLeaveTheWindowAndAreNamedOncePerCause) {
    struct Case {
        double gap;
        double padding;
        std::string says;
    };
    const std::vector<Case> cases = {
        {10, 1e308, "screenPadding 1e+308"},
        {10, std::numeric_limits<double>::quiet_NaN(), "screenPadding nan"},
        {10, 438, "screenPadding 438"},
        {1e6, 0, "windowGap 1e+06"},
        {std::numeric_limits<double>::quiet_NaN(), 0, "windowGap nan"},
    };
    WindowHandle w = window();
    desktop.clearWindowCalls();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        settings->windowGap.set(c.gap);
        settings->screenPadding.set(c.padding);
        const size_t before = desktop.logLines().size();
        for (int i = 0; i < 3; ++i) press(w, SnapAction::snapLeftHalf);
        press(w, SnapAction::snapCenterThird);
        EXPECT_EQ(frameOf(w), Rect(100, 100, 800, 600));
        ASSERT_EQ(desktop.logLines().size(), before + 1) << "one line per cause, not per press";
        EXPECT_NE(desktop.logLines().back().find(c.says), std::string::npos)
            << desktop.logLines().back();
    }
    EXPECT_TRUE(stackDepth(w) == 0 && engine->snappedWindows.empty() && events.empty());
    for (const auto& call : desktop.windowCalls()) EXPECT_NE(call.op, "setFrame");
    // Once the settings fit again, the next cause is reported afresh.
    settings->windowGap.set(10);
    settings->screenPadding.set(0);
    press(w, SnapAction::snapRightHalf);
    EXPECT_NE(frameOf(w), Rect(100, 100, 800, 600));
    settings->screenPadding.set(1e308);
    const size_t before = desktop.logLines().size();
    press(w, SnapAction::snapLeftHalf);
    EXPECT_EQ(desktop.logLines().size(), before + 1);
}

// Neither an unreadable window nor a move to the next of one display changes anything.
TEST_F(SnapEngineTest, UnreadableWindowOrASingleDisplayLeaveTheWindow) {
    WindowHandle w = window();
    desktop.setResponsive(pid, false);
    engine->snap(w, ZoneID::leftHalf, screen());
    desktop.setResponsive(pid, true);
    engine->moveToNextDisplay(w);
    EXPECT_EQ(frameOf(w), Rect(100, 100, 800, 600));
    EXPECT_TRUE(stackDepth(w) == 0 && events.empty());
}

TEST_F(SnapEngineTest, RestoreWalksBackThroughTheTenMostRecentPreSnapFrames) {
    WindowHandle w = window();
    engine->snap(w, ZoneID::leftHalf, screen());
    engine->snap(w, ZoneID::bottomRightQuarter, screen());  // already snapped: nothing pushed
    events.clear();
    engine->restore(w);
    EXPECT_TRUE(frameOf(w) == Rect(100, 100, 800, 600) && !snappedZone(w));
    EXPECT_EQ(events, std::vector<std::string>{"detach"});

    // Eleven snaps from distinct frames, each undone by the user moving the window away.
    for (int i = 0; i < 11; ++i) {
        desktop.userSetFrame(w.element(), {10.0 * i, 100, 500, 400});
        engine->snap(w, ZoneID::leftHalf, screen());
        engine->snappedWindows.erase(w);
    }
    ASSERT_EQ(stackDepth(w), 10u);
    for (int i = 10; i >= 1; --i) {
        engine->restore(w);
        EXPECT_EQ(frameOf(w), Rect(10.0 * i, 100, 500, 400));
    }
    // Nothing older to go back to.
    events.clear();
    desktop.userSetFrame(w.element(), {5, 50, 300, 300});
    engine->restore(w);
    EXPECT_EQ(frameOf(w), Rect(5, 50, 300, 300));
    EXPECT_TRUE(events.empty());
}

TEST_F(SnapEngineTest, CenterKeepsTheSizeAndCountsAsUnsnapped) {
    WindowHandle w = window({100, 100, 800, 600});
    engine->snap(w, ZoneID::center, screen());
    engine->snap(w, ZoneID::center, screen());
    // Centred in the visible frame, without gap or padding.
    EXPECT_EQ(frameOf(w), Rect(320, 162.5, 800, 600));
    EXPECT_EQ(stackDepth(w), 2u);  // unsnapped: pushed every time
    EXPECT_TRUE(engine->snappedWindows.empty());

    WindowHandle s = window({50, 60, 400, 300});
    engine->snap(s, ZoneID::maximize, screen());
    events.clear();
    engine->snap(s, ZoneID::center, screen());
    EXPECT_EQ(std::pair(frameOf(s), stackDepth(s)), std::pair(Rect(0, 25, 1440, 875), size_t(1)));
    EXPECT_TRUE(!snappedZone(s) && events.empty());
    engine->restore(s);
    EXPECT_EQ(frameOf(s), Rect(50, 60, 400, 300));
}

TEST_F(SnapEngineTest, DetachForDragGivesBackThePreSnapSizeUnderTheCursor) {
    WindowHandle w = window({100, 100, 800, 600});
    EXPECT_FALSE(engine->detachForDrag(w, {10, 40}));  // not snapped

    engine->snap(w, ZoneID::leftHalf, screen());
    events.clear();
    // Grabbed at the middle of the 715-wide half: stays at the middle of the 800-wide window.
    EXPECT_EQ(engine->detachForDrag(w, {357.5, 40}), (Size{800, 600}));
    EXPECT_EQ(std::pair(frameOf(w), stackDepth(w)),
              std::pair(Rect(-42.5, 25, 800, 600), size_t(1)));
    EXPECT_FALSE(snappedZone(w));
    EXPECT_EQ(events, std::vector<std::string>{"detach"});

    // Registered as snapped but nothing to go back to: stays snapped, untouched.
    engine->restore(w);
    engine->snappedWindows.insert_or_assign(w, SnapEngine::Snapped{ZoneID::rightHalf, {}});
    desktop.userSetFrame(w.element(), {725, 25, 715, 875});
    EXPECT_FALSE(engine->detachForDrag(w, {800, 40}));
    EXPECT_EQ(snappedZone(w), ZoneID::rightHalf);
    EXPECT_EQ(frameOf(w), Rect(725, 25, 715, 875));
}

}  // namespace
}  // namespace kelvra::test
