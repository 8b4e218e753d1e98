#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "backends/sim/SimDesktop.h"
#include "input/ZonePickerController.h"
#include "l10n/L10n.h"
#include "style/Theme.h"

namespace kelvra::test {
namespace {

using port::SurfaceKind;

// A key by position, or one that types `text` from a position the picker gives no meaning.
const auto key = [](uint16_t code) { return port::KeyEvent{code, 0, ""}; };
const auto typed = [](std::string text) { return port::KeyEvent{0, 0, std::move(text)}; };
const port::KeyEvent returnKey = key(36), keypadEnter = key(76), escape = key(53), left = key(123),
                     right = key(124), down = key(125), up = key(126);

class ZonePickerControllerTest : public ::testing::Test {
  public:
    ZonePickerControllerTest() {
        desktop.setPreferredLanguages({"en-US"});
        desktop.addScreenTopLeft({0, 0, 1440, 900}, {0, 25, 1440, 875});
        subscription =
            zonePicker.onApply.connect([this](const ZoneID& z) { applied.push_back(z); });
    }

    std::optional<sim::SimSurfaces::State> panel() {
        return desktop.surfaces().find(SurfaceKind::zonePicker);
    }
    port::ZonePickerModel shown() { return std::get<port::ZonePickerModel>(panel().value().model); }
    void expectSelection(int cell) {
        EXPECT_EQ(std::pair(zonePicker.model.selection, shown().selection), std::pair(cell, cell));
    }

    sim::SimDesktop desktop;
    // The language is read from the installed desktop's defaults; the picker animates on
    // its run loop.
    bool installed = (desktop.install(), true);
    L10n l10n;
    ZonePickerController zonePicker{l10n};
    std::vector<ZoneID> applied;
    Subscription subscription;
};

TEST_F(ZonePickerControllerTest, KeysMoveApplyOrClose) {
    struct Case {
        const char* name;
        std::vector<port::KeyEvent> keys;
        bool lastConsumed;
        std::optional<ZoneID> applied;
        int selection;  // while still open
    };
    std::vector<Case> cases = {
        {"Return right after opening", {returnKey}, true, ZoneID::leftHalf, -1},
        {"keypad Enter", {keypadEnter}, true, ZoneID::leftHalf, -1},
        {"Escape", {escape}, true, std::nullopt, -1},
        {"Right then Return", {right, returnKey}, true, ZoneID::rightHalf, -1},
        {"Left from the first column wraps", {left}, true, std::nullopt, 4},
        {"Right from the last column wraps", {left, right}, true, std::nullopt, 0},
        {"Down from the top row", {right, right, down}, true, std::nullopt, 7},
        {"Down from the bottom row wraps", {right, right, down, down}, true, std::nullopt, 2},
        {"Up from the top row wraps", {up}, true, std::nullopt, 5},
        {"Down, Left, Return", {down, left, returnKey}, true, ZoneID::topLeftQuarter, -1},
        {"digit 1", {typed("1")}, true, ZoneID::leftHalf, -1},
        {"digit 4", {typed("4")}, true, ZoneID::bottomHalf, -1},
        {"digit 5", {typed("5")}, true, ZoneID::maximize, -1},
        {"digit 6", {typed("6")}, true, ZoneID::leftThird, -1},
        {"digit 8", {typed("8")}, true, ZoneID::rightThird, -1},
        {"digit 9", {typed("9")}, true, ZoneID::leftTwoThirds, -1},
        {"digit 0", {typed("0")}, true, ZoneID::topLeftQuarter, -1},
        {"a signed digit", {typed("+3")}, true, ZoneID::topHalf, -1},
        {"a letter", {typed("a")}, false, std::nullopt, 0},
        {"no text", {typed("")}, false, std::nullopt, 0},
        {"a negative number", {typed("-1")}, false, std::nullopt, 0},
        {"a number beyond the cells", {typed("11")}, false, std::nullopt, 0},
        {"a sign alone", {typed("+")}, false, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        applied.clear();
        zonePicker.show();
        bool consumed = false;
        for (const auto& k : c.keys) consumed = zonePicker.handleKey(k);
        EXPECT_EQ(consumed, c.lastConsumed);
        EXPECT_EQ(applied, c.applied ? std::vector<ZoneID>{*c.applied} : std::vector<ZoneID>{});
        ASSERT_EQ(zonePicker.hasVisiblePanel(), c.selection >= 0);
        EXPECT_EQ(panel().has_value(), c.selection >= 0);
        if (c.selection >= 0) expectSelection(c.selection);
    }
}

TEST_F(ZonePickerControllerTest, ApplyingClosesThePanelBeforeTellingTheListener) {
    std::vector<bool> openWhenTold;
    auto s = zonePicker.onApply.connect(
        [&](const ZoneID&) { openWhenTold.push_back(zonePicker.hasVisiblePanel()); });
    zonePicker.show();
    ASSERT_TRUE(desktop.surfaces().sendKey(panel()->id, right));
    ASSERT_TRUE(desktop.surfaces().sendKey(panel()->id, returnKey));
    EXPECT_EQ(applied, std::vector<ZoneID>{ZoneID::rightHalf});
    EXPECT_EQ(openWhenTold, std::vector<bool>{false});
    EXPECT_EQ(desktop.surfaces().count(SurfaceKind::zonePicker), 0u);
}

TEST_F(ZonePickerControllerTest, HoverSelectsAndAClickPicks) {
    zonePicker.show();
    const auto m = shown();
    EXPECT_EQ(std::tuple(m.columns, m.cells.size(), m.cells[8].label, m.hints),
              std::tuple(5, 10u, "2/3 + 1/3",
                         std::vector<std::string>{"←→↑↓ Select", "Enter Apply", "Esc Close"}));
    auto id = panel()->id;
    Rect f = panel()->frame;
    // Cell 7: column 2, row 1, with 16 points of padding around the grid.
    Point onCell7{f.x + 16 + 2 * 84 + 30, f.y + 16 + 100 + 40};
    Point inGapAfterCell7{f.x + 16 + 2 * 84 + 80, f.y + 16 + 100 + 40};
    desktop.surfaces().sendPointer(id, {port::SurfacePointer::Phase::entered, onCell7, 1});
    expectSelection(7);
    desktop.surfaces().sendPointer(id, {port::SurfacePointer::Phase::entered, inGapAfterCell7, 1});
    EXPECT_EQ(zonePicker.model.selection, 7);

    desktop.surfaces().choose(id, "12");  // no such cell
    desktop.surfaces().choose(id, "x");
    EXPECT_TRUE(applied.empty() && zonePicker.hasVisiblePanel());
    desktop.surfaces().choose(id, "6");
    EXPECT_EQ(applied, std::vector<ZoneID>{ZoneID::centerThird});
    EXPECT_FALSE(zonePicker.hasVisiblePanel());
}

TEST_F(ZonePickerControllerTest, DismissalClosesAndReopeningStartsAtTheFirstCell) {
    zonePicker.show();
    zonePicker.handleKey(right);
    ASSERT_TRUE(desktop.surfaces().dismiss(panel()->id));
    EXPECT_FALSE(zonePicker.hasVisiblePanel() || panel());
    EXPECT_TRUE(applied.empty());

    zonePicker.show();
    zonePicker.handleKey(right);
    zonePicker.show();  // while open: a fresh panel
    EXPECT_EQ(desktop.surfaces().count(SurfaceKind::zonePicker), 1u);
    expectSelection(0);
    zonePicker.handleKey(returnKey);
    EXPECT_EQ(applied, std::vector<ZoneID>{ZoneID::leftHalf});
}

TEST_F(ZonePickerControllerTest, CentresOnTheVisibleFrameOfTheMonitorUnderThePointer) {
    // A second monitor to the right, with a panel of 40 at its bottom.
    desktop.addScreenTopLeft({1440, 0, 1920, 1080}, {1440, 0, 1920, 1040});
    struct Case {
        const char* name;
        std::optional<Point> pointer;
        Point centre;
    } cases[] = {
        {"on the primary", Point{100, 500}, {720, 462.5}},
        {"on the second", Point{2000, 20}, {2400, 520}},
        {"outside every monitor", Point{-50, -50}, {720, 462.5}},
        {"not known", std::nullopt, {720, 462.5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop.setPointerLocation(c.pointer);
        zonePicker.show();
        Rect f = panel()->frame;
        EXPECT_EQ(f.size(), Size(444, 254));  // 5 x 76 + 4 x 8 + 2 x 16; 2 x 92 + 8 + 30 + 2 x 16
        EXPECT_TRUE(std::abs(f.midX() - c.centre.x) <= 0.5 &&
                    std::abs(f.midY() - c.centre.y) <= 0.5)
            << f;
        EXPECT_TRUE(panel()->visible);
    }
}

// The curve itself is the animator's; here the panel becomes opaque, the highlight arrives
// and nothing keeps ticking, even when closed mid-fade.
TEST_F(ZonePickerControllerTest, FadesInAndTheHighlightGlidesOnTheRunLoopClock) {
    auto& loop = desktop.runLoop();
    zonePicker.show();
    EXPECT_EQ(panel()->opacity, 0);
    loop.advance(ZonePickerController::fadeInDuration + Animator::frameInterval);
    EXPECT_EQ(panel()->opacity, 1.0);
    EXPECT_EQ(loop.activeTimers(), 0u);

    zonePicker.handleKey(down);  // to cell 5: column 0, row 1
    EXPECT_EQ(shown().selection, 5);
    EXPECT_EQ(shown().highlightRow, 0);
    loop.advance(0.05);
    EXPECT_GT(shown().highlightRow, 0) << "it glides";
    loop.advance(0.2);
    EXPECT_EQ(std::pair(shown().highlightRow, shown().highlightColumn), std::pair(1.0, 0.0));

    zonePicker.close();
    zonePicker.show();
    loop.advance(Animator::frameInterval);
    zonePicker.close();
    EXPECT_EQ(loop.activeTimers(), 0u);
}

}  // namespace
}  // namespace kelvra::test
