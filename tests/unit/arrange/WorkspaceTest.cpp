#include "arrange/WorkspaceCapture.h"
#include "arrange/WorkspaceManager.h"
#include "unit/arrange/ArrangeFixture.h"

namespace kelvra::test {
namespace {

class WorkspaceTest : public ArrangeTest {
  protected:
    void SetUp() override {
        ArrangeTest::SetUp();
        manager = std::make_unique<WorkspaceManager>(*settings, *l10n, *engine);
    }
    WorkspaceItem item(const std::string& id, std::optional<std::string> title, const Rect& f,
                       std::optional<ZoneID> z = std::nullopt) {
        return {id, id + " App", std::move(title), z, f.x, f.y, f.width, f.height, 0};
    }
    std::unique_ptr<WorkspaceManager> manager;
};

TEST_F(WorkspaceTest, ZoneDetectionAllowsTwentyPointsOnEachMeasure) {
    auto screen = ScreenInfo::all().at(0);
    Rect left = zoneFrame(ZoneID::leftHalf);
    struct Case {
        Rect frame;
        std::optional<ZoneID> expected;
    } cases[] = {
        {left, ZoneID::leftHalf},
        {{left.x + 20, left.y - 20, left.width - 20, left.height + 20}, ZoneID::leftHalf},
        {{left.x, left.y, left.width + 20.5, left.height}, std::nullopt},
        {{420, 262.5, 600, 400}, std::nullopt},  // centred: it comes back by its frame
        {zoneFrame(ZoneID::maximize), ZoneID::maximize},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WorkspaceCapture::detectZone(c.frame, screen, 10, 0), c.expected)
            << c.frame.x << "," << c.frame.width;
    EXPECT_EQ(WorkspaceCapture::detectZone(left, std::nullopt, 10, 0), std::nullopt);
}

TEST_F(WorkspaceTest, CaptureRecordsOtherApplicationsWindowsAndTheirDisplays) {
    desktop.addScreenTopLeft({1440, 0, 1280, 1024}, {1440, 0, 1280, 1024});
    int32_t editor = app("org.example.Editor");
    window(editor, zoneFrame(ZoneID::leftHalf), "notes.txt");
    window(editor, {200, 200, 300, 200}, std::nullopt);
    window(desktop.ownPid(), {0, 0, 100, 100});
    int32_t anonymous = desktop.addApp({});
    window(anonymous, {10, 10, 100, 100});
    window(app("b"), {1500, 100, 400, 300});

    auto items = manager->captureCurrent();
    ASSERT_EQ(items.size(), 3u);
    for (const auto& i : items) EXPECT_EQ(i.displayIndex, i.appId == "b" ? 1 : 0);
    EXPECT_EQ(
        std::tie(items[0].appId, items[0].appName, items[0].title, items[0].zone),
        std::tuple("org.example.Editor", "org.example.Editor App", "notes.txt", ZoneID::leftHalf));
    auto untitled = std::find_if(items.begin(), items.end(), [](auto& i) { return !i.title; });
    ASSERT_NE(untitled, items.end());
    EXPECT_EQ(untitled->zone, std::nullopt);
    EXPECT_EQ(Rect(untitled->x, untitled->y, untitled->w, untitled->h), Rect(200, 200, 300, 200));
}

TEST_F(WorkspaceTest, SavePromptNamesAndAppends) {
    int32_t pid = app("a");
    window(pid, {100, 100, 400, 300});
    struct Case {
        std::optional<std::string> answer;
        bool cancel;
        std::optional<std::string> savedName;
    } cases[] = {
        {"  Morning  ", false, "Morning"},
        {"   ", false, "Workspace 2"},  // blank: the default with the count at saving
        {std::nullopt, false, "Workspace 3"},
        {"ignored", true, std::nullopt},
    };
    for (const auto& c : cases) {
        size_t before = settings->workspaces().size();
        desktop.setPromptAnswer(c.answer);
        desktop.setAlertResponse(c.cancel ? port::Alerts::firstButtonReturn + 1
                                          : port::Alerts::firstButtonReturn);
        manager->promptSaveCurrent();
        if (!c.savedName) {
            EXPECT_EQ(settings->workspaces().size(), before);
            continue;
        }
        ASSERT_EQ(settings->workspaces().size(), before + 1);
        EXPECT_EQ(settings->workspaces().back().name, *c.savedName);
        EXPECT_EQ(settings->workspaces().back().items.size(), 1u);
    }
    EXPECT_EQ(desktop.alerts().back().messageText, "Save workspace");
}

TEST_F(WorkspaceTest, RestoreMatchesByTitleAndNeverGivesAWindowTwice) {
    int32_t pid = app("a");
    auto first = window(pid, {0, 0, 100, 100}, "same");
    auto second = window(pid, {0, 0, 100, 100}, "same");
    auto untitled = window(pid, {0, 0, 100, 100}, std::nullopt);
    Workspace ws{
        Uuid::random(),
        "w",
        {item("a", std::nullopt, {50, 60, 300, 200}), item("a", "same", {10, 20, 300, 200}),
         item("a", "same", {30, 40, 300, 200}), item("a", "same", {70, 80, 300, 200})}};
    manager->restore(ws);
    EXPECT_EQ(frameOf(untitled), Rect(50, 60, 300, 200));
    // Equal titles go in window-list order.
    EXPECT_EQ(std::pair(frameOf(first), frameOf(second)),
              std::pair(Rect(10, 20, 300, 200), Rect(30, 40, 300, 200)));
    ASSERT_EQ(manager->pendingItems().size(), 1u);
    EXPECT_EQ(desktop.launchRequests(), std::vector<std::string>{});  // "a" already runs
}

// One window is gone before the restore reaches it (the news still queued), another
// while the restore waits to place it again: the rest is placed all the same.
TEST_F(WorkspaceTest, WindowsVanishingMidRestoreAreLeftOut) {
    int32_t pid = app("a");
    auto kept = window(pid, {0, 0, 100, 100}, "kept");
    auto late = window(pid, {0, 0, 100, 100}, "late");
    // Of another application: a window of the same one would take its record instead.
    auto early = window(app("b"), {0, 0, 100, 100}, "early");
    desktop.destroyWindow(early.element());
    manager->restore(
        {Uuid::random(),
         "w",
         {item("b", "early", {10, 20, 300, 200}), item("a", "kept", {30, 40, 300, 200}),
          item("a", "late", {50, 60, 300, 200})}});
    EXPECT_EQ(frameOf(kept), Rect(30, 40, 300, 200));
    desktop.destroyWindow(late.element());
    desktop.runLoop().advance(16);
    EXPECT_EQ(frameOf(kept), Rect(30, 40, 300, 200));
    EXPECT_TRUE(manager->pendingItems().empty());
}

TEST_F(WorkspaceTest, ZonedItemsSnapOnTheirDisplayOrTheOneHoldingTheFrame) {
    desktop.addScreenTopLeft({1440, 0, 1000, 800}, {1440, 0, 1000, 800});
    int32_t pid = app("a");
    auto onSecond = window(pid, {0, 0, 100, 100}, "two");
    auto gone = window(pid, {0, 0, 100, 100}, "gone");
    auto second = item("a", "two", {0, 0, 1, 1}, ZoneID::rightHalf);
    second.displayIndex = 1;
    auto missing = item("a", "gone", {1500, 100, 400, 300}, ZoneID::leftHalf);
    missing.displayIndex = 5;  // that display is gone: the one holding the frame
    manager->restore({Uuid::random(), "w", {second, missing}});
    EXPECT_EQ(frameOf(onSecond), frame(ZoneID::rightHalf, Rect(1440, 0, 1000, 800), 10, 0));
    EXPECT_EQ(frameOf(gone), frame(ZoneID::leftHalf, Rect(1440, 0, 1000, 800), 10, 0));
}

TEST_F(WorkspaceTest, MissingApplicationsAreLaunchedAndPlacedWithinTheLimit) {
    int32_t running = app("running");
    window(running, {0, 0, 100, 100}, "other");
    Workspace ws{Uuid::random(),
                 "w",
                 {item("late", "l", {10, 20, 300, 200}), item("slow", "s", {30, 40, 300, 200}),
                  item("late", "l2", {50, 60, 300, 200})}};
    manager->restore(ws);
    EXPECT_EQ(desktop.launchRequests(), (std::vector<std::string>{"late", "slow"}));
    EXPECT_EQ(manager->pendingItems().size(), 3u);

    desktop.runLoop().advance(5);
    auto late = window(app("late"), {0, 0, 100, 100}, "l");
    desktop.runLoop().advance(0.6);
    EXPECT_EQ(frameOf(late), Rect(10, 20, 300, 200));
    EXPECT_EQ(manager->pendingItems().size(), 2u);

    desktop.runLoop().advance(10);
    EXPECT_TRUE(manager->pendingItems().empty());
    ASSERT_EQ(manager->lastUnplaced().size(), 2u);
    EXPECT_EQ(manager->lastUnplaced()[0].appId, "slow");
    const auto alert = desktop.alerts().at(desktop.alerts().size() - 1);
    EXPECT_EQ(alert.messageText, "Some windows could not be placed");
    EXPECT_NE(alert.informativeText.find("slow App (s)"), std::string::npos);

    // After the limit a window that appears is left where it opened.
    auto slow = window(app("slow"), {0, 0, 100, 100}, "s");
    desktop.runLoop().advance(1.2);
    EXPECT_EQ(frameOf(slow), Rect(0, 0, 100, 100));
}

TEST_F(WorkspaceTest, AWindowThatRestoresItsOwnGeometryIsPlacedAgainOnce) {
    int32_t pid = app("a");
    auto w = window(pid, {0, 0, 100, 100}, "t");
    manager->restore({Uuid::random(), "w", {item("a", "t", {10, 20, 300, 200})}});
    desktop.userSetFrame(w.element(), {0, 0, 100, 100});  // the application's own geometry
    desktop.runLoop().advance(1.0);
    EXPECT_EQ(frameOf(w), Rect(10, 20, 300, 200));
    desktop.userSetFrame(w.element(), {5, 5, 100, 100});  // the user, later
    desktop.runLoop().advance(5);
    EXPECT_EQ(frameOf(w), Rect(5, 5, 100, 100));
}

}  // namespace
}  // namespace kelvra::test
