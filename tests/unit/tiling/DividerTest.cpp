#include "unit/tiling/TilingFixture.h"

namespace kelvra::test {
namespace {

using Phase = port::SurfacePointer::Phase;

TEST(DividerGeometry, StripIsCentredOnTheEdgeAndSnapsToHalvesAndThirds) {
    SharedEdge edge;
    edge.position = 960;
    edge.span = {25, 1055};
    EXPECT_EQ(Divider::frameFor(edge), (Rect{952, 25, 16, 1030}));
    edge.orientation = Orientation::horizontal;
    edge.position = 400;
    EXPECT_EQ(Divider::frameFor(edge), (Rect{25, 392, 1030, 16}));

    Span range{0, 1000};
    struct Case {
        double drag, lands;
    };
    for (auto c : {Case{510, 500}, Case{486, 500}, Case{484, 484}, Case{340, 1000.0 / 3},
                   Case{680, 2000.0 / 3}, Case{700, 700}}) {
        EXPECT_DOUBLE_EQ(Divider::snapToRatios(c.drag, range), c.lands) << c.drag;
    }
    EXPECT_EQ(Divider::snapToRatios(42, {5, 5}), 42) << "an empty range passes through";
    EXPECT_EQ(Divider::ratioText(33), "33 : 67");
}

class DividerTest : public TilingTest {};

// Hovering fades the grip in on the virtual clock; a drag shows the ratio chip with the
// accent and reports snapped positions; releasing hides the chip; a double click flares
// the grip's shadow and asks for the reset without starting a drag.
TEST_F(DividerTest, GripChipAndDragReports) {
    Divider divider(SharedEdge{Orientation::vertical, 720, {25, 900}, {}, {}, {0, 1440}, false});
    const auto id = desktop.surfaces().find(port::SurfaceKind::divider).value().id;
    auto send = [&](Phase phase, double x, int clicks = 1) {
        desktop.surfaces().sendPointer(id, {phase, {x, 300}, clicks});
    };
    auto model = [&] {
        return std::get<port::DividerModel>(
            desktop.surfaces().find(port::SurfaceKind::divider)->model);
    };
    std::vector<double> drags;
    int ends = 0, resets = 0;
    auto h1 = divider.onDrag.connect([&](double p) { drags.push_back(p); });
    auto h2 = divider.onDragEnd.connect([&] { ++ends; });
    auto h3 = divider.onDoubleClick.connect([&] { ++resets; });
    EXPECT_TRUE(desktop.surfaces().find(port::SurfaceKind::divider)->visible);

    send(Phase::entered, 720);
    desktop.runLoop().advance(0.07);
    EXPECT_GT(model().gripAlpha, 0);
    EXPECT_LT(model().gripAlpha, 1);
    desktop.runLoop().advance(0.1);
    EXPECT_EQ(model().gripAlpha, 1);
    EXPECT_TRUE(model().gripLong);

    send(Phase::pressed, 720);
    EXPECT_TRUE(model().accent);
    EXPECT_EQ(model().chipText, "50 : 50");
    send(Phase::dragged, 470);
    EXPECT_EQ(model().chipText, "33 : 67");
    send(Phase::dragged, 1000);
    EXPECT_EQ(model().chipText, "69 : 31");
    send(Phase::exited, 1000);
    EXPECT_EQ(model().gripAlpha, 1) << "the grip stays while dragged";
    send(Phase::released, 1000);
    EXPECT_EQ(drags, (std::vector<double>{480, 1000}));
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(model().accent);
    EXPECT_FALSE(model().chipText);
    desktop.runLoop().advance(0.2);
    EXPECT_EQ(model().gripAlpha, 0);

    send(Phase::pressed, 720, 2);
    EXPECT_EQ(resets, 1);
    EXPECT_FALSE(divider.isDragging());
    EXPECT_EQ(model().glow, 0.9);
    desktop.runLoop().advance(0.4);
    EXPECT_EQ(model().glow, 0);
}

}  // namespace
}  // namespace kelvra::test
