#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "assist/SnapAssistController.h"
#include "base/ZoneID.h"
#include "l10n/L10n.h"
#include "unit/EngineDesktop.h"

namespace kelvra::test {
namespace {

using port::SurfaceKind;

// Small windows in the middle of the screen: they cover no zone, so every zone is empty.
const Rect loose{600, 400, 200, 150};

class SnapAssistTest : public EngineDesktopTest {
  public:
    void SetUp() override {
        EngineDesktopTest::SetUp();
        assist = std::make_unique<SnapAssistController>(*settings, *l10n, *engine);
        wiring = engine->onDidSnap.connect(
            [this](const WindowHandle& w, const ZoneID& z, const ScreenInfo& s) {
                fillingSeen.push_back(assist->isFilling());
                assist->maybeShow(z, s, w);
            });
        app = desktop.addApp({"org.example.Editor", "Editor", port::ActivationPolicy::regular});
    }

    WindowHandle window(const std::string& title, Rect frame = loose) {
        return *WindowHandle::make(desktop.addWindow(app, {.frame = frame, .title = title}));
    }
    std::optional<sim::SimSurfaces::State> panel() {
        return desktop.surfaces().find(SurfaceKind::assistCards);
    }
    std::vector<std::string> cardTitles() {
        std::vector<std::string> titles;
        if (auto p = panel())
            for (const auto& c : std::get<port::AssistCardsModel>(p->model).cards)
                titles.push_back(c.title);
        return titles;
    }
    // Picks the card of the window with this title.
    void pick(const std::string& title) {
        auto p = panel().value();
        for (const auto& c : std::get<port::AssistCardsModel>(p.model).cards)
            if (c.title == title) {
                desktop.surfaces().choose(p.id, c.id);
                return;
            }
        FAIL() << "no card for " << title;
    }
    void clearWindows() {
        for (auto w : desktop.windowsOf(app)) desktop.destroyWindow(w);
        desktop.runLoop().runPending();
    }

    std::unique_ptr<SnapAssistController> assist;
    Subscription wiring;
    std::vector<bool> fillingSeen;
    int32_t app = 0;
};

// Each pick fills the zone on offer and moves on to the next one of the fill order;
// windows placed earlier and the one that started are never offered.
TEST_F(SnapAssistTest, OffersTheComplementaryZonesInOrderUntilAllAreFilled) {
    struct Case {
        ZoneID snapped;
        std::vector<ZoneID> offered;
    };
    std::vector<Case> cases = {
        {ZoneID::leftHalf, {ZoneID::rightHalf}},
        {ZoneID::bottomHalf, {ZoneID::topHalf}},
        {ZoneID::leftThird, {ZoneID::rightTwoThirds}},
        {ZoneID::rightTwoThirds, {ZoneID::leftThird}},
        {ZoneID::centerThird, {ZoneID::leftThird, ZoneID::rightThird}},
        {ZoneID::topLeftQuarter,
         {ZoneID::topRightQuarter, ZoneID::bottomLeftQuarter, ZoneID::bottomRightQuarter}},
        {ZoneID::bottomRightQuarter,
         {ZoneID::bottomLeftQuarter, ZoneID::topRightQuarter, ZoneID::topLeftQuarter}},
        {ZoneID::maximize, {}},
        {ZoneID::centerTwoThirds, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rawValue(c.snapped));
        clearWindows();
        auto a = window("A");
        std::vector<std::string> others = {"B", "C", "D", "E"};
        for (const auto& t : others) window(t);
        engine->snap(a, c.snapped, screen());
        std::vector<std::string> placed = {"A"};
        for (size_t i = 0; i < c.offered.size(); ++i) {
            auto p = panel();
            ASSERT_TRUE(p && p->visible) << "offer " << i;
            EXPECT_EQ(p->frame, zoneFrame(c.offered[i]));
            std::vector<std::string> expected(others.begin() + long(i), others.end());
            EXPECT_EQ(cardTitles(), expected) << "not A, not the ones placed";
            pick(others[i]);
            auto placedWindow = WindowHandle::make(desktop.windowsOf(app)[i + 1]).value();
            EXPECT_EQ(frameOf(placedWindow), zoneFrame(c.offered[i]));
        }
        EXPECT_FALSE(panel()) << "every zone filled";
        EXPECT_FALSE(assist->isOffering());
    }
}

// A zone more than 70 % covered is skipped; nothing left to fill shows nothing.
TEST_F(SnapAssistTest, SkipsZonesAlreadyCovered) {
    auto a = window("A");
    window("covers bottom left", zoneFrame(ZoneID::bottomLeftQuarter).insetBy(20, 10));  // ~85 %
    window("B");
    engine->snap(a, ZoneID::topLeftQuarter, screen());
    EXPECT_EQ(panel()->frame, zoneFrame(ZoneID::topRightQuarter));
    pick("B");
    EXPECT_EQ(panel()->frame, zoneFrame(ZoneID::bottomRightQuarter));
    EXPECT_EQ(cardTitles(), std::vector<std::string>{"covers bottom left"});
    assist->hide();

    window("covers right", zoneFrame(ZoneID::rightHalf).insetBy(40, 40));  // about 85 %
    engine->snap(a, ZoneID::leftHalf, screen());
    EXPECT_FALSE(panel());
    EXPECT_TRUE(assist->pendingZones().empty());
}

// A compositor may report the snapped window's new frame after the snap: where it was
// does not count as filling the other half.
TEST_F(SnapAssistTest, TheSnappedWindowNeverFillsTheOtherZone) {
    auto a = window("A", zoneFrame(ZoneID::rightHalf));
    window("B");
    assist->maybeShow(ZoneID::leftHalf, screen(), a);
    ASSERT_TRUE(panel());
    EXPECT_EQ(panel()->frame, zoneFrame(ZoneID::rightHalf));
    EXPECT_EQ(cardTitles(), std::vector<std::string>{"B"});
}

// The controller's own snap reaches it through the engine and starts nothing new.
TEST_F(SnapAssistTest, ItsOwnFillIsNotANewSnap) {
    auto a = window("A");
    window("B"), window("C");
    engine->snap(a, ZoneID::topRightQuarter, screen());
    pick("B");
    EXPECT_EQ(fillingSeen, (std::vector<bool>{false, true}));
    EXPECT_FALSE(assist->isFilling());
    // Still the first sequence: the next zone of top-right's order, with only C left.
    EXPECT_EQ(panel()->frame, zoneFrame(ZoneID::bottomRightQuarter));
    EXPECT_EQ(cardTitles(), std::vector<std::string>{"C"});
    EXPECT_EQ(desktop.activateRequests().back(), app);
}

TEST_F(SnapAssistTest, DismissedByEscapeAClickElsewhereAnotherSnapOrTheStartersEnd) {
    struct Case {
        const char* name;
        std::function<void()> act;
        bool stays;
    };
    std::optional<WindowHandle> a, b;
    uint64_t p = 0;
    const std::vector<Case> cases = {
        {"Escape",
         [&] {
             desktop.surfaces().sendKey(p, {53, 0, ""});
         },
         false},
        {"a letter",
         [&] {
             desktop.surfaces().sendKey(p, {0, 0, "a"});
         },
         true},
        {"a click elsewhere", [&] { desktop.surfaces().dismiss(p); }, false},
        {"another window maximized", [&] { engine->snap(*b, ZoneID::maximize, screen()); }, false},
        {"another window centred (no snap)", [&] { engine->snap(*b, ZoneID::center, screen()); },
         true},
        {"the starter closed", [&] { desktop.destroyWindow(a->element()); }, false},
        {"the starter minimized", [&] { desktop.setMinimized(a->element(), true); }, false},
        {"a window that is no starter closed", [&] { desktop.destroyWindow(b->element()); }, true},
        // Nothing to place: the offer ends, as after any failed pick.
        {"a card picked as its window closes (the news not yet delivered)",
         [&] {
             desktop.destroyWindow(b->element());
             pick("B");
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clearWindows();
        a = window("A");
        b = window("B");
        window("C");
        engine->snap(*a, ZoneID::leftHalf, screen());
        ASSERT_TRUE(panel());
        p = panel()->id;
        c.act();
        desktop.runLoop().runPending();
        EXPECT_EQ(assist->isOffering(), c.stays);
        EXPECT_EQ(panel().has_value(), c.stays);
        EXPECT_TRUE(c.stays || assist->pendingZones().empty());
        assist->hide();
    }
}

TEST_F(SnapAssistTest, TurnedOffOffersNothingAndLeavesAnOpenOfferAlone) {
    auto a = window("A");
    auto b = window("B");
    window("C");
    settings->snapAssistEnabled.set(false);
    engine->snap(a, ZoneID::leftHalf, screen());
    EXPECT_FALSE(panel());
    settings->snapAssistEnabled.set(true);
    engine->snap(a, ZoneID::leftHalf, screen());
    ASSERT_TRUE(panel());
    settings->snapAssistEnabled.set(false);
    engine->snap(b, ZoneID::maximize, screen());
    EXPECT_TRUE(panel());
}

// The cards: every other window of that monitor (no cap: the panel scrolls), none of
// an excluded application or of this program, titles falling back to the application.
TEST_F(SnapAssistTest, CardsAreTheOtherWindowsOfThatMonitor) {
    desktop.addScreenTopLeft({1440, 0, 1280, 900}, {1440, 0, 1280, 900});
    int32_t hidden =
        desktop.addApp({"org.example.Secret", "Secret", port::ActivationPolicy::regular});
    settings->excludedApps.set({{"org.example.Secret", "Secret"}});
    desktop.addWindow(hidden, {.frame = loose, .title = "secret"});
    desktop.addWindow(desktop.ownPid(), {.frame = loose, .title = "own panel"});
    int32_t nameless =
        desktop.addApp({"org.example.Nameless", std::nullopt, port::ActivationPolicy::regular});
    desktop.addWindow(nameless, {.frame = loose, .title = ""});
    port::WindowIcon icon{2, 1, {0xff0000ff, 0xff00ff00}, ""};
    desktop.addWindow(app, {.frame = loose, .title = "", .icon = icon});
    window("elsewhere", {1600, 100, 400, 300});
    std::vector<std::string> expected = {"Editor"};
    for (int i = 0; i < 9; ++i)
        expected.push_back("W" + std::to_string(i)), window(expected.back());
    auto a = window("A");
    engine->snap(a, ZoneID::rightHalf, screen());
    expected.push_back("Window");  // the nameless application's, launched later
    EXPECT_EQ(cardTitles(), expected);
    auto model = std::get<port::AssistCardsModel>(panel()->model);
    EXPECT_EQ(std::tie(model.title, model.hint),
              std::tuple("Choose a window for this space", "Esc to close"));
    EXPECT_EQ(
        std::tie(model.cards.front().icon, model.cards.front().appName, model.cards.back().appName),
        std::tuple(icon, "Editor", ""));
}

TEST_F(SnapAssistTest, FadesInOverItsDuration) {
    auto a = window("A");
    window("B");
    engine->snap(a, ZoneID::leftHalf, screen());
    EXPECT_EQ(panel()->opacity, 0);
    desktop.runLoop().advance(SnapAssistController::fadeInDuration / 2);
    EXPECT_GT(panel()->opacity, 0);
    EXPECT_LT(panel()->opacity, 1);
    desktop.runLoop().advance(SnapAssistController::fadeInDuration);
    EXPECT_EQ(panel()->opacity, 1);
}

}  // namespace
}  // namespace kelvra::test
