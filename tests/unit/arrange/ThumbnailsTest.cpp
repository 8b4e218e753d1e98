#include <gtest/gtest.h>

#include <cmath>

#include "arrange/Thumbnails.h"

namespace kelvra {
namespace {

void expectNear(const std::vector<Rect>& actual, const std::vector<Rect>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        const Rect &a = actual[i], &e = expected[i];
        EXPECT_TRUE(std::abs(a.x - e.x) < 1e-9 && std::abs(a.y - e.y) < 1e-9 &&
                    std::abs(a.width - e.width) < 1e-9 && std::abs(a.height - e.height) < 1e-9)
            << i << ": " << a.x << " " << a.y << " " << a.width << " " << a.height;
    }
}

TEST(Thumbnails, ALayoutsZonesKeepEvenGapsOnTheScreensProportions) {
    CustomLayout layout{Uuid::random(), "Split", 3, 2, {{0, 0, 2, 2}, {2, 0, 1, 1}, {2, 1, 1, 1}}};
    layout.zones.push_back({2, 1, 2, 1});  // a damaged zone beyond the grid: left out
    const auto picture = thumbnailOf(layout, {1600, 1000});
    EXPECT_DOUBLE_EQ(picture.aspect, 1.6);
    ASSERT_EQ(picture.rects.size(), 3u);
    const Rect &big = picture.rects[0], &top = picture.rects[1], &bottom = picture.rects[2];
    // The same gap in pixels everywhere: at the edges, between columns and between rows.
    const double gapX = big.minX(), gapY = big.minY();
    EXPECT_NEAR(gapY / gapX, 1.6, 1e-9);
    EXPECT_NEAR(top.minX() - big.maxX(), gapX, 1e-9);
    EXPECT_NEAR(1 - top.maxX(), gapX, 1e-9);
    EXPECT_NEAR(bottom.minY() - top.maxY(), gapY, 1e-9);
    EXPECT_NEAR(1 - bottom.maxY(), gapY, 1e-9);
    EXPECT_NEAR(big.maxY(), bottom.maxY(), 1e-9);
}

TEST(Thumbnails, AWorkspacesWindowsLieWhereTheyLieOnTheDesktop) {
    auto item = [](double x, double y, double w, double h) {
        WorkspaceItem i;
        i.x = x, i.y = y, i.w = w, i.h = h;
        return i;
    };
    Workspace workspace{Uuid::random(), "Mail", {}};
    workspace.items = {item(0, 0, 800, 1000), item(2400, 500, 800, 1000),  // half off-screen
                       item(100, 100, 0, 0)};                              // nothing to draw
    // Two monitors side by side, the second smaller.
    const auto picture = thumbnailOf(workspace, {{0, 0, 1600, 1000}, {1600, 0, 1000, 800}});
    EXPECT_DOUBLE_EQ(picture.aspect, 2.6);
    expectNear(picture.rects, {{0, 0, 800 / 2600.0, 1}, {2400 / 2600.0, 0.5, 200 / 2600.0, 0.5}});

    // No monitor known: the windows themselves are the extent.
    workspace.items.pop_back();
    expectNear(thumbnailOf(workspace, {}).rects,
               {{0, 0, 0.25, 2.0 / 3}, {0.75, 1.0 / 3, 0.25, 2.0 / 3}});
}

}  // namespace
}  // namespace kelvra
