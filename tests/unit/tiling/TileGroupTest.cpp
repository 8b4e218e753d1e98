#include <functional>
#include <tuple>

#include "unit/tiling/TilingFixture.h"

namespace kelvra::test {
namespace {

using Phase = port::SurfacePointer::Phase;

class TileGroupTest : public TilingTest {
  public:
    void SetUp() override {
        TilingTest::SetUp();
        left = snapped(ZoneID::leftHalf);
        right = snapped(ZoneID::rightHalf);
        desktop.clearWindowCalls();
    }
    double gap() { return frameOf(*right).minX() - frameOf(*left).maxX(); }
    std::optional<WindowHandle> left, right;
};

// The user resizes one member: the other side follows, keeping the gap and the minimum
// width, one frame write per neighbour, and the echo of our own write is not a resize.
TEST_F(TileGroupTest, AResizeMovesTheSharedEdge) {
    struct Case {
        double leftWidth;
        double rightMinX;  // expected
    };
    Rect screenRight = frameOf(*right);
    for (auto c : {Case{900, 910}, Case{1300, 1140}, Case{500, 510}}) {
        Rect l = frameOf(*left);
        l.width = c.leftWidth;
        userSets(*left, l);
        desktop.runLoop().advance(0.1);
        EXPECT_EQ(
            std::tuple(frameOf(*right).minX(), frameOf(*right).maxX(), gap(),
                       tiles->edges()[0].position, Divider::frameFor(tiles->edges()[0]).midX()),
            std::tuple(c.rightMinX, screenRight.maxX(), 10.0, c.rightMinX - 5, c.rightMinX - 5))
            << c.leftWidth;
    }
    EXPECT_GE(frameWrites(*right), 3u);
    EXPECT_EQ(frameOf(*left).width, 500);
    EXPECT_EQ(tiles->members().size(), 2u) << "our own moves are not the user's";

    desktop.runLoop().advance(1);
    desktop.clearWindowCalls();
    Rect l = frameOf(*left);
    l.width += 2;  // two points or less moves nothing
    userSets(*left, l);
    EXPECT_EQ(frameWrites(*right), 0u);
    EXPECT_EQ(tiles->members().at(*left).frame, l);
}

// Window managers may report a border resize's new origin before its new size.
TEST_F(TileGroupTest, AnOriginReportedBeforeTheSizeIsAResizeNotAMoveAway) {
    Rect r = frameOf(*right);
    userSets(*right, {r.x - 100, r.y, r.width, r.height});
    desktop.runLoop().advance(0.01);
    userSets(*right, {r.x - 100, r.y, r.width + 100, r.height});
    desktop.runLoop().advance(0.1);
    EXPECT_EQ(tiles->members().size(), 2u);
    EXPECT_EQ(frameOf(*left).maxX(), r.x - 110);
}

TEST_F(TileGroupTest, OwnChangesAreRecognisedForHalfASecond) {
    tiles->moveEdge(tiles->edges()[0], 600);
    desktop.runLoop().advance(0.1);
    desktop.clearWindowCalls();
    Rect r = frameOf(*right);
    // Within 2.5 points of what was set, 0.1 s later: the window's own echo.
    userSets(*right, {r.x + 2, r.y, r.width - 2, r.height});
    EXPECT_EQ(frameWrites(*left), 0u);
    desktop.runLoop().advance(0.5);
    userSets(*right, {r.x - 40, r.y, r.width + 40, r.height});
    EXPECT_EQ(frameWrites(*left), 1u);
    EXPECT_EQ(frameOf(*left).maxX(), r.x - 50);
    EXPECT_EQ(frameWrites(*right), 0u) << "the window being resized is not written";

    // Our own change may arrive in steps, the origin first: not a move away.
    desktop.runLoop().advance(1);
    tiles->moveEdge(tiles->edges()[0], 800);
    desktop.clearWindowCalls();
    Rect set = frameOf(*right);
    userSets(*right, {set.x, set.y, set.width + 100, set.height});
    userSets(*right, set);
    desktop.runLoop().advance(0.1);
    EXPECT_EQ(tiles->members().size(), 2u);
    EXPECT_EQ(frameWrites(*left) + frameWrites(*right), 0u);
}

TEST_F(TileGroupTest, ResizesAndDividerDragsAreThrottledNewestLast) {
    auto burst = [&](std::function<void(double)> step, const WindowHandle& follower) {
        desktop.runLoop().advance(1);
        desktop.clearWindowCalls();
        for (double x : {800.0, 820.0, 840.0, 860.0}) {
            step(x);
            desktop.runLoop().advance(0.003);
        }
        EXPECT_EQ(frameWrites(follower), 1u) << "the first step at once, the rest pending";
        desktop.runLoop().advance(0.02);
        EXPECT_EQ(frameWrites(follower), 2u);
        EXPECT_EQ(tiles->edges()[0].position, 865);
    };
    burst([&](double x) { userSets(*left, {0, 25, x, 875}); }, *right);

    auto strip = dividerOver(0).id;
    pointer(strip, Phase::pressed, {865, 300});
    burst([&](double x) { pointer(strip, Phase::dragged, {x + 5, 300}); }, *left);
    pointer(strip, Phase::dragged, {700, 300});
    pointer(strip, Phase::dragged, {650, 300});
    pointer(strip, Phase::released, {650, 300});
    EXPECT_EQ(frameOf(*left).maxX(), 645) << "the release applies the last position at once";
}

TEST_F(TileGroupTest, EdgeMovesKeepMinimumSizesAndFollowWhatWindowsGrant) {
    // Dragged far left: the left window stops at the minimum width.
    tiles->moveEdge(tiles->edges()[0], 100);
    EXPECT_EQ(std::pair(frameOf(*left).width, gap()), std::pair(300.0, 10.0));
    // Both limits at once: the trailing one wins.
    settings->minWindowWidth.set(1000);
    tiles->moveEdge(tiles->edges()[0], 700);
    EXPECT_EQ(frameOf(*right).width, 1000);
    settings->minWindowWidth.set(300);

    // A window that will not shrink pushes the edge; the other side follows what it got.
    tiles->removeAll();
    auto wide = snapped(ZoneID::leftHalf, {600, 100});
    auto other = snapped(ZoneID::rightHalf);
    ASSERT_EQ(tiles->edges().size(), 1u);
    tiles->moveEdge(tiles->edges()[0], 500);
    EXPECT_EQ(frameOf(wide).width, 600);
    EXPECT_EQ(frameOf(other).minX(), frameOf(wide).maxX() + 10);
    EXPECT_EQ(tiles->edges()[0].position, frameOf(wide).maxX() + 5);

    // One that takes less than asked pulls the edge back: no gap grows.
    tiles->removeAll();
    auto capped = window();
    desktop.clearWindowCalls();
    auto small = *WindowHandle::make(
        desktop.addWindow(pid, {.frame = {0, 0, 400, 400}, .maxSize = {800, 2000}}));
    engine->snap(small, ZoneID::leftHalf, screen());
    engine->snap(capped, ZoneID::rightHalf, screen());
    tiles->moveEdge(tiles->edges()[0], 900);
    EXPECT_EQ(frameOf(small).width, 800);
    EXPECT_EQ(frameOf(capped).minX(), 810);

    // Horizontal edges limit heights the same way.
    tiles->removeAll();
    auto top = snapped(ZoneID::topHalf);
    auto bottom = snapped(ZoneID::bottomHalf);
    ASSERT_EQ(tiles->edges().size(), 1u);
    ASSERT_EQ(tiles->edges()[0].orientation, Orientation::horizontal);
    tiles->moveEdge(tiles->edges()[0], 800);
    EXPECT_EQ(std::pair(frameOf(bottom).height, frameOf(bottom).minY() - frameOf(top).maxY()),
              std::pair(300.0, 10.0));
}

TEST_F(TileGroupTest, DoubleClickResetsTheSplitWhenAllowed) {
    tiles->moveEdge(tiles->edges()[0], 500);
    auto strip = dividerOver(0).id;
    settings->dividerDoubleClickReset.set(false);
    pointer(strip, Phase::pressed, {500, 300}, 2);
    EXPECT_EQ(tiles->edges()[0].position, 500);
    settings->dividerDoubleClickReset.set(true);
    pointer(strip, Phase::pressed, {500, 300}, 2);
    EXPECT_EQ(std::pair(frameOf(*left).width, gap()), std::pair(frameOf(*right).width, 10.0));
}

TEST_F(TileGroupTest, MembersLeaveAndTheirDividersGo) {
    auto moveBy = [&](double dx, double dy) {
        Rect r = frameOf(*right);
        userSets(*right, {r.x + dx, r.y + dy, r.width, r.height});
    };
    auto snapRight = [&](ZoneID z) { engine->snap(*right, z, screen()); };
    const std::vector<std::tuple<const char*, std::function<void()>, bool>> cases = {
        {"closed", [&] { desktop.destroyWindow(right->element()); }, false},
        {"minimized", [&] { desktop.setMinimized(right->element(), true); }, false},
        {"moved by 4", [&] { moveBy(4, -4); }, true},
        {"moved away by 5", [&] { moveBy(0, 5); }, false},
        {"restored", [&] { engine->restore(*right); }, false},
        {"maximized", [&] { snapRight(ZoneID::maximize); }, false},
        {"snapped elsewhere", [&] { snapRight(ZoneID::bottomLeftQuarter); }, false},
        {"snapped with tiling off",
         [&] {
             settings->tilingEnabled.set(false);
             snapRight(ZoneID::rightHalf);
             settings->tilingEnabled.set(true);
         },
         false},
        {"all dissolved", [&] { tiles->removeAll(); }, false},
    };
    for (const auto& [name, act, stays] : cases) {
        SCOPED_TRACE(name);
        tiles->removeAll();
        left = snapped(ZoneID::leftHalf);
        right = snapped(ZoneID::rightHalf);
        ASSERT_EQ(dividerCount(), 1u);
        // Besides the group's watch, the engine watches every window it snapped until it ends.
        auto groupWatches = [&] {
            return desktop.observerCount(right->element()) -
                   (desktop.windowExists(right->element()) ? 1u : 0u);
        };
        EXPECT_EQ(groupWatches(), 1u) << "one watch per member";
        act();
        desktop.runLoop().advance(0.1);
        EXPECT_EQ(dividerCount(), stays ? 1u : 0u);
        EXPECT_EQ(tiles->edges().size(), stays ? 1u : 0u);
        EXPECT_EQ(groupWatches(), tiles->members().count(*right))
            << "watched exactly while a member";
    }
}

TEST_F(TileGroupTest, ARebuildKeepsTheSameDivider) {
    auto before = dividerOver(0).id;
    engine->snap(*right, ZoneID::rightHalf, screen());
    EXPECT_EQ(dividerOver(0).id, before) << "same windows, same divider";
    engine->restore(*right);
    EXPECT_EQ(dividerCount(), 0u);
    snapped(ZoneID::rightHalf);
    EXPECT_EQ(dividerCount(), 1u);
    EXPECT_NE(dividerOver(0).id, before) << "another pair, another divider";
}

TEST_F(TileGroupTest, QuartersMoveTheirOwnEdgesAndTheCrossingMovesAll) {
    tiles->removeAll();
    WindowHandle q[] = {snapped(ZoneID::topLeftQuarter), snapped(ZoneID::topRightQuarter),
                        snapped(ZoneID::bottomLeftQuarter), snapped(ZoneID::bottomRightQuarter)};
    ASSERT_EQ(tiles->edges().size(), 6u);
    auto aggregate = std::find_if(tiles->edges().begin(), tiles->edges().end(), [](auto& e) {
        return e.isAggregate && e.orientation == Orientation::vertical;
    });
    ASSERT_NE(aggregate, tiles->edges().end());
    tiles->moveEdge(*aggregate, 600);
    for (auto& w : {q[0], q[2]}) EXPECT_EQ(frameOf(w).maxX(), 595);
    for (auto& w : {q[1], q[3]}) EXPECT_EQ(frameOf(w).minX(), 605);
    for (const auto& e : tiles->edges())
        EXPECT_TRUE(e.orientation != Orientation::vertical || e.position == 600) << e.position;

    desktop.runLoop().advance(1);
    Rect bottomRight = frameOf(q[3]), tl = frameOf(q[0]);
    userSets(q[0], {tl.x, tl.y, tl.width + 100, tl.height});
    EXPECT_EQ(frameOf(q[1]).minX(), tl.maxX() + 110) << "its own pair follows";
    EXPECT_EQ(frameOf(q[3]), bottomRight) << "the lower pair stays";
}

// A divider belongs with its group: hidden while another application is in front,
// back (just above the group's windows) when one of the group's is; the program's own
// panels in front change nothing.
TEST_F(TileGroupTest, ADividerShowsOnlyWhileItsGroupsApplicationIsInFront) {
    const auto other = desktop.addApp({});
    desktop.addWindow(other, {.frame = {300, 300, 400, 300}});
    const auto divider = [&] { return dividerOver(0); };
    const std::vector<port::WindowRef> group{left->element(), right->element()};
    EXPECT_TRUE(divider().visible);
    EXPECT_EQ(divider().stackedAbove, group);

    for (auto [front, visible] : {std::pair{other, false}, std::pair{desktop.ownPid(), false},
                                  std::pair{pid, true}, std::pair{desktop.ownPid(), true}}) {
        desktop.setFrontmostApp(front);
        desktop.runLoop().runPending();
        EXPECT_EQ(divider().visible, visible) << front;
    }
    EXPECT_EQ(divider().stackedAbove, group);

    // Edges that share a window are one group.
    engine->snap(*right, ZoneID::topRightQuarter, screen());
    snapped(ZoneID::bottomRightQuarter);
    ASSERT_GE(tiles->edges().size(), 2u);
    for (size_t i = 0; i < tiles->edges().size(); ++i)
        EXPECT_EQ(dividerOver(i).stackedAbove.size(), 3u) << i;
}

}  // namespace
}  // namespace kelvra::test
