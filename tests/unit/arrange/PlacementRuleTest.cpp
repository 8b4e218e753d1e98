#include "arrange/PlacementRuleManager.h"
#include "settings/CustomLayout.h"
#include "unit/arrange/ArrangeFixture.h"

namespace kelvra::test {
namespace {

using Trigger = PlacementRule::Trigger;
using Display = PlacementRule::DisplayTarget;

class PlacementRuleTest : public ArrangeTest {
  protected:
    void SetUp() override {
        ArrangeTest::SetUp();
        manager = std::make_unique<PlacementRuleManager>(*settings, *engine);
    }
    PlacementRule rule(const std::string& id, Trigger trigger, std::optional<ZoneID> zone,
                       Display display = Display::any, std::optional<Uuid> layout = {},
                       std::optional<int> index = {}) {
        return {Uuid::random(), id, "", zone, layout, index, trigger, display, true};
    }
    void start(std::vector<PlacementRule> rules) {
        settings->placementRules.set(std::move(rules));
        manager->start();
    }
    std::unique_ptr<PlacementRuleManager> manager;
};

TEST_F(PlacementRuleTest, LaunchRulePlacesTheFirstUnminimizedWindowWithinTheLimit) {
    start({rule("app", Trigger::launch, ZoneID::rightThird),
           rule("app", Trigger::launch, ZoneID::leftHalf)});
    int32_t pid = app("app");
    desktop.runLoop().advance(3);
    auto minimized = desktop.addWindow(pid, {.frame = {0, 0, 200, 200}, .minimized = true});
    desktop.runLoop().advance(1.2);
    EXPECT_EQ(desktop.windowFrame(minimized), Rect(0, 0, 200, 200));
    auto w = window(pid, {0, 0, 200, 200});
    desktop.runLoop().advance(0.6);
    EXPECT_EQ(frameOf(w), zoneFrame(ZoneID::rightThird));  // the first rule of the list

    // Twelve seconds without a window: nothing more happens.
    int32_t slow = app("app");
    desktop.runLoop().advance(13);
    auto late = window(slow, {0, 0, 200, 200});
    desktop.runLoop().advance(2);
    EXPECT_EQ(frameOf(late), Rect(0, 0, 200, 200));
}

TEST_F(PlacementRuleTest, NewWindowRulePlacesEachNewWindowOnceUnlessPaused) {
    int32_t pid = app("app");
    auto existing = window(pid, {0, 0, 200, 200});
    start({rule("app", Trigger::newWindow, ZoneID::rightThird)});
    EXPECT_EQ(manager->observedProcesses(), std::set<int32_t>{pid});
    desktop.runLoop().advance(1);
    EXPECT_EQ(frameOf(existing), Rect(0, 0, 200, 200));  // not new

    auto w = window(pid, {0, 0, 200, 200});
    desktop.runLoop().advance(0.3);
    EXPECT_EQ(frameOf(w), zoneFrame(ZoneID::rightThird));
    desktop.runLoop().advance(2);  // settled
    desktop.userSetFrame(w.element(), {50, 50, 300, 300});
    desktop.runLoop().advance(5);
    EXPECT_EQ(frameOf(w), Rect(50, 50, 300, 300));  // the user's move stays

    settings->paused.set(true);
    auto whilePaused = window(pid, {0, 0, 200, 200});
    desktop.runLoop().advance(1);
    EXPECT_EQ(frameOf(whilePaused), Rect(0, 0, 200, 200));
    settings->paused.set(false);
    auto after = window(pid, {0, 0, 200, 200});
    desktop.runLoop().advance(1);
    EXPECT_EQ(frameOf(after), zoneFrame(ZoneID::rightThird));
}

TEST_F(PlacementRuleTest, ALaterLaunchedApplicationIsWatchedFromItsFirstWindow) {
    start({rule("app", Trigger::newWindow, ZoneID::leftHalf)});
    int32_t pid = app("app");
    auto first = window(pid, {0, 0, 200, 200});
    desktop.runLoop().advance(0.5);
    EXPECT_EQ(frameOf(first), zoneFrame(ZoneID::leftHalf));
    desktop.quitApp(pid);
    desktop.runLoop().advance(0.1);
    EXPECT_TRUE(manager->observedProcesses().empty());
}

TEST_F(PlacementRuleTest, ASwitchedOffRuleIsPassedOver) {
    auto offLaunch = rule("app", Trigger::launch, ZoneID::leftHalf);
    auto offNew = rule("other", Trigger::newWindow, ZoneID::leftHalf);
    offLaunch.enabled = offNew.enabled = false;
    start({offLaunch, rule("app", Trigger::launch, ZoneID::rightThird), offNew});
    auto w = window(app("app"), {0, 0, 200, 200});
    int32_t other = app("other");
    auto first = window(other, {0, 0, 200, 200});
    desktop.runLoop().advance(0.5);
    auto second = window(other, {0, 0, 200, 200});
    desktop.runLoop().advance(1);
    EXPECT_EQ(
        std::tuple(frameOf(w), frameOf(first), frameOf(second)),
        std::tuple(zoneFrame(ZoneID::rightThird), Rect(0, 0, 200, 200), Rect(0, 0, 200, 200)));
}

TEST_F(PlacementRuleTest, AWindowThatResistsIsPlacedAgainAfterItSettles) {
    start({rule("app", Trigger::launch, ZoneID::leftHalf)});
    int32_t pid = app("app");
    auto w = window(pid, {0, 0, 200, 200});
    desktop.runLoop().advance(0.1);
    EXPECT_EQ(frameOf(w), zoneFrame(ZoneID::leftHalf));
    desktop.userSetFrame(w.element(), {0, 0, 200, 200});  // its own remembered geometry
    desktop.runLoop().advance(1.0);
    EXPECT_EQ(frameOf(w), zoneFrame(ZoneID::leftHalf));
}

TEST_F(PlacementRuleTest, DisplayKindsPickTheirScreenOrNone) {
    struct Case {
        bool secondBuiltIn;
        Display display;
        std::optional<size_t> expected;
    } cases[] = {
        {true, Display::builtin, 1},
        {true, Display::external, 0},
        {false, Display::builtin, std::nullopt},  // no built-in panel: the rule waits
        {false, Display::external, 0},
        {false, Display::any, 1},  // any: the window's own
    };
    for (const auto& c : cases) {
        sim::SimDesktop d;
        d.install();
        d.addScreenTopLeft({0, 0, 1000, 800}, {0, 0, 1000, 800});
        d.addScreenTopLeft({1000, 0, 800, 600}, {1000, 0, 800, 600}, c.secondBuiltIn);
        auto w = *WindowHandle::make(
            d.addWindow(d.addApp({"app", "App"}), {.frame = {1100, 100, 200, 200}}));
        auto screen = manager->targetScreen(rule("app", Trigger::launch, {}, c.display), w);
        ASSERT_EQ(screen.has_value(), c.expected.has_value());
        if (screen) {
            EXPECT_EQ(screen->frame, ScreenInfo::all().at(*c.expected).frame);
        }
    }
    desktop.install();
}

TEST_F(PlacementRuleTest, CustomZoneTargetsFallBackToTheBuiltInZone) {
    CustomLayout thirds{Uuid::random(), "Thirds", 3, 1, {{0, 0, 1, 1}, {1, 0, 2, 1}}};
    settings->customLayouts.set({thirds});
    const Trigger launch = Trigger::launch;
    const Display any = Display::any;
    start({rule("custom", launch, {}, any, thirds.id, 1),
           rule("range", launch, {}, any, thirds.id, 2),
           rule("deleted", launch, ZoneID::maximize, any, Uuid::random(), 0)});

    auto a = window(app("custom"), {0, 0, 200, 200});
    auto b = window(app("range"), {0, 0, 200, 200});
    auto c = window(app("deleted"), {0, 0, 200, 200});
    desktop.runLoop().advance(0.1);
    EXPECT_EQ(std::tuple(frameOf(a), frameOf(b), frameOf(c)),
              std::tuple(*thirds.zoneFrame(1, Rect(0, 25, 1440, 875), 10, 0), Rect(0, 0, 200, 200),
                         zoneFrame(ZoneID::maximize)));
}

}  // namespace
}  // namespace kelvra::test
