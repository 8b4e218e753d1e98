// Dragging real windows by their title bar under openbox with the pointer driven
// through XTest: the zone under the cursor is previewed while the button is down and
// the window lands in it on release.
// gtest before Xlib, whose None macro would break it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

// The zones on 1440 x 900 with the default gap of 8 and no padding.
constexpr Box leftHalf{0, 0, 716, 900};
constexpr Box topLeftQuarter{0, 0, 716, 446};
constexpr int steps = 40;

// A point on the window's title bar, halfway along it.
Spot titleBar(const Box& frame) {
    return {int(frame.x + frame.width / 2), int(frame.y + 8)};
}

std::optional<OwnWindow> waitForPreviewAt(Desktop& desktop, const Box& expected) {
    std::optional<OwnWindow> match;
    Desktop::waitUntil([&] {
        for (const auto& s : desktop.kelvraWindows())
            if (near(s.box, expected)) match = s;
        return match.has_value();
    });
    return match;
}

class Drag : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop.startKelvra();
        window = desktop.startTestClient(
            {.title = "dragged", .arguments = {"--geometry", "500x400+300+200"}});
        desktop.activate(window);
        auto f = desktop.frame(window);
        ASSERT_TRUE(f);
        original = *f;
    }
    Box frame() { return desktop.frame(window).value_or(Box{}); }

    Desktop desktop;
    Window window = 0;
    Box original;
};

TEST_F(Drag, TitleBarDragsSnapAtEdgesAndCornersAndAPulledOutWindowGetsItsSizeBack) {
    desktop.drag(titleBar(original), {1, 450}, steps);
    auto got = desktop.waitForFrame(window, leftHalf);
    EXPECT_TRUE(got && near(*got, leftHalf)) << "left edge: " << frame();

    // Pulled out of its zone, it takes its old size back, and a release
    // in the middle of the screen leaves it where it was dropped.
    const Spot grip = titleBar(frame());
    desktop.pressButton(grip);
    desktop.moveButton({grip.x + 6, grip.y}, 1);
    desktop.moveButton({720, 300}, steps);
    const Box size{0, 0, original.width, original.height};
    ASSERT_TRUE(Desktop::waitUntil([&] {
        const Box f = frame();
        return near({0, 0, f.width, f.height}, size);
    })) << frame();
    desktop.releaseButton();
    // Nothing comes after a release away from the edges: no snap, no late correction.
    auto after = desktop.waitForChange(window, frame(), 400ms);
    ASSERT_TRUE(after);
    EXPECT_TRUE(near({0, 0, after->width, after->height}, size)) << *after;

    desktop.drag(titleBar(frame()), {2, 2}, steps);
    got = desktop.waitForFrame(window, topLeftQuarter);
    EXPECT_TRUE(got && near(*got, topLeftQuarter)) << "top-left corner: " << frame();
    // The window manager's own end of the move does not undo the snap.
    after = desktop.waitForChange(window, frame(), 400ms);
    EXPECT_TRUE(after && near(*after, topLeftQuarter)) << frame();
}

TEST_F(Drag, ThePreviewShowsTheZoneWithoutTakingInputAndLeavesOnRelease) {
    const Spot grip = titleBar(original);
    desktop.pressButton(grip);
    desktop.moveButton({grip.x - 6, grip.y}, 1);
    desktop.moveButton({1, 450}, steps);
    auto preview = waitForPreviewAt(desktop, leftHalf);
    ASSERT_TRUE(preview) << "no preview at the left half during the drag";
    // Outside the window manager's lists, and clicks go through it: an empty input shape.
    EXPECT_TRUE(preview->overrideRedirect);
    auto clients = desktop.property(desktop.root(), "_NET_CLIENT_LIST");
    EXPECT_EQ(std::count(clients.begin(), clients.end(), long(preview->window)), 0);
    int count = -1, ordering = 0;
    XRectangle* rects =
        XShapeGetRectangles(desktop.display(), preview->window, ShapeInput, &count, &ordering);
    if (rects) XFree(rects);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(desktop.activeWindow(), window) << "the preview never takes the focus";

    // Back to the middle: the preview goes while the button is still down.
    desktop.moveButton({700, 450}, 10);
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraWindows().empty(); }));
    desktop.moveButton({1, 450}, 10);
    ASSERT_TRUE(waitForPreviewAt(desktop, leftHalf));
    desktop.releaseButton();
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraWindows().empty(); }));
    auto got = desktop.waitForFrame(window, leftHalf);
    EXPECT_TRUE(got && near(*got, leftHalf)) << frame();
}

}  // namespace
}  // namespace kelvra::e2e
