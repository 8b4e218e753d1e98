#include <gtest/gtest.h>

#include "backends/bridge/BridgeMirror.h"

namespace kelvra::bridge {
namespace {

WindowSnapshot win(const std::string& id, Rect frame = Rect(0, 0, 100, 100)) {
    return {id, 10, "org.example." + id, WindowKind::normal, false, id, frame};
}

const ScreenSnapshot left{"L", Rect(0, 0, 1000, 800), Rect(0, 0, 1000, 760)};
const ScreenSnapshot right{"R", Rect(1000, 0, 800, 600), Rect(1000, 0, 800, 600)};

std::vector<std::string> ids(const BridgeMirror& m) {
    std::vector<std::string> result;
    for (const WindowSnapshot* w : m.windows()) result.push_back(w->id);
    return result;
}

struct BridgeMirrorTest : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(mirror.apply(Snapshot{{win("a"), win("b")}, {left, right}, "b", {5, 5}, {}}));
    }
    BridgeMirror mirror;
};

TEST_F(BridgeMirrorTest, ASnapshotReplacesEverything) {
    ASSERT_TRUE(mirror.apply(InteractiveMove{MovePhase::started, "a", Rect(), {1, 1}}));
    ASSERT_TRUE(mirror.apply(Snapshot{{win("c")}, {right}, "gone", {7, 8}, 3}));
    EXPECT_TRUE(mirror.synced());
    EXPECT_EQ(ids(mirror), std::vector<std::string>{"c"});
    EXPECT_EQ(mirror.window("a"), nullptr);
    EXPECT_EQ(mirror.screens(), std::vector<ScreenSnapshot>{right});
    // An active id the snapshot does not list is no active window.
    EXPECT_EQ(mirror.activeWindow(), nullptr);
    EXPECT_EQ(mirror.pointer(), (Point{7, 8}));
    EXPECT_FALSE(mirror.move());
}

TEST_F(BridgeMirrorTest, FollowsWindowsComingAndGoing) {
    EXPECT_EQ(mirror.activeWindow()->id, "b");
    ASSERT_TRUE(mirror.apply(WindowAdded{win("c")}));
    EXPECT_EQ(ids(mirror), (std::vector<std::string>{"a", "b", "c"}));

    // Added again (the bridge's newer view) replaces it where it stands.
    ASSERT_TRUE(mirror.apply(WindowAdded{win("a", Rect(1, 2, 3, 4))}));
    EXPECT_EQ(ids(mirror), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(mirror.window("a")->frame, Rect(1, 2, 3, 4));

    ASSERT_TRUE(mirror.apply(WindowRemoved{"b"}));
    EXPECT_EQ(ids(mirror), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(mirror.activeWindow(), nullptr);
    EXPECT_FALSE(mirror.apply(WindowRemoved{"b"}));

    ASSERT_TRUE(mirror.apply(WindowActivated{"c"}));
    EXPECT_EQ(mirror.activeWindow()->id, "c");
    EXPECT_FALSE(mirror.apply(WindowActivated{"zz"}));
    EXPECT_EQ(mirror.activeWindow()->id, "c");
    ASSERT_TRUE(mirror.apply(WindowActivated{""}));
    EXPECT_EQ(mirror.activeWindow(), nullptr);

    // The compositor raises what it activates and what the user starts moving: the
    // window at a point is the one on top.
    ASSERT_TRUE(mirror.apply(WindowActivated{"a"}));
    EXPECT_EQ(ids(mirror), (std::vector<std::string>{"c", "a"}));
    ASSERT_TRUE(mirror.apply(InteractiveMove{MovePhase::started, "c", Rect(), {1, 1}}));
    EXPECT_EQ(ids(mirror), (std::vector<std::string>{"a", "c"}));
}

TEST_F(BridgeMirrorTest, UpdatesFramesMinimizingScreensAndPointer) {
    ASSERT_TRUE(mirror.apply(WindowFrameChanged{"a", Rect(10, 10, 50, 50), true}));
    EXPECT_EQ(mirror.window("a")->frame, Rect(10, 10, 50, 50));
    ASSERT_TRUE(mirror.apply(WindowMinimized{"a", true}));
    EXPECT_TRUE(mirror.window("a")->minimized);
    EXPECT_FALSE(mirror.apply(WindowMinimized{"zz", true}));

    EXPECT_EQ(mirror.screenAt({1200, 10})->name, "R");
    EXPECT_EQ(mirror.screenAt({1200, 700}), nullptr);
    ASSERT_TRUE(mirror.apply(ScreensChanged{{left}}));
    EXPECT_EQ(mirror.screenAt({1200, 10}), nullptr);

    ASSERT_TRUE(mirror.apply(CommandResult{1, ResultStatus::done, {}, Point{3, 4}, {}}));
    EXPECT_EQ(mirror.pointer(), (Point{3, 4}));
}

TEST_F(BridgeMirrorTest, TracksAMoveFromStartToFinish) {
    ASSERT_TRUE(
        mirror.apply(InteractiveMove{MovePhase::started, "a", Rect(0, 0, 100, 100), {50, 5}}));
    ASSERT_TRUE(mirror.move());
    EXPECT_EQ(mirror.move()->window, "a");

    ASSERT_TRUE(
        mirror.apply(InteractiveMove{MovePhase::stepped, "a", Rect(20, 0, 100, 100), {70, 5}}));
    EXPECT_EQ(mirror.move()->phase, MovePhase::stepped);
    EXPECT_EQ(mirror.window("a")->frame, Rect(20, 0, 100, 100));
    EXPECT_EQ(mirror.pointer(), (Point{70, 5}));

    ASSERT_TRUE(
        mirror.apply(InteractiveMove{MovePhase::finished, "a", Rect(30, 0, 100, 100), {80, 5}}));
    EXPECT_FALSE(mirror.move());
    EXPECT_EQ(mirror.window("a")->frame, Rect(30, 0, 100, 100));

    // A window closed mid-move ends the move.
    ASSERT_TRUE(mirror.apply(InteractiveMove{MovePhase::started, "b", Rect(), {1, 1}}));
    ASSERT_TRUE(mirror.apply(WindowRemoved{"b"}));
    EXPECT_FALSE(mirror.move());
}

}  // namespace
}  // namespace kelvra::bridge
