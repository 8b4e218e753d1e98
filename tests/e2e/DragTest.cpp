// Dragging real windows by their title bar under openbox: the zone under the cursor is
// previewed while the button is down and the window lands in it on release.
// gtest before Xlib, whose None macro would break it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

#include <algorithm>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

using zone::leftHalf;
constexpr int steps = 40;

class Drag : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop.startKelvra();
        window = desktop.startTestClient({"dragged", {"--geometry", "500x400+300+200"}});
        desktop.activate(window);
        original = *desktop.frame(window);
    }
    Box frame() { return desktop.frame(window).value_or(Box{}); }
    // A point on the window's title bar, halfway along it.
    Spot titleBar() { return {int(frame().x + frame().width / 2), int(frame().y + 8)}; }
    // Presses on the title bar and moves the pointer to `to` at a hand's pace.
    void grabAndMove(Spot to) {
        const Spot grip = titleBar();
        desktop.pressButton(grip);
        desktop.moveButton({grip.x + (to.x < grip.x ? -6 : 6), grip.y}, 1);
        desktop.moveButton(to, steps);
    }

    Desktop desktop;
    Window window = 0;
    Box original;
};

TEST_F(Drag, TitleBarDragsSnapAtEdgesAndCornersAndAPulledOutWindowGetsItsSizeBack) {
    desktop.drag(titleBar(), {1, 450}, steps);
    EXPECT_TRUE(desktop.reaches(window, leftHalf)) << "left edge";

    // Pulled out of its zone, it takes its old size back, and a release in the middle
    // of the screen leaves it where it was dropped.
    grabAndMove({720, 300});
    const Box size{0, 0, original.width, original.height};
    ASSERT_TRUE(Desktop::waitUntil([&] {
        return near({0, 0, frame().width, frame().height}, size);
    })) << frame();
    desktop.releaseButton();
    // Nothing comes after a release away from the edges: no snap, no late correction.
    auto after = desktop.waitForChange(window, frame(), 400ms);
    ASSERT_TRUE(after);
    EXPECT_TRUE(near({0, 0, after->width, after->height}, size)) << *after;

    desktop.drag(titleBar(), {2, 2}, steps);
    EXPECT_TRUE(desktop.reaches(window, zone::topLeft)) << "top-left corner";
    // The window manager's own end of the move does not undo the snap.
    after = desktop.waitForChange(window, frame(), 400ms);
    EXPECT_TRUE(after && near(*after, zone::topLeft)) << frame();
}

TEST_F(Drag, ThePreviewShowsTheZoneWithoutTakingInputAndLeavesOnRelease) {
    auto previewAtLeftHalf = [&] {
        std::optional<OwnWindow> match;
        Desktop::waitUntil([&] {
            for (const auto& own : desktop.kelvraWindows())
                if (near(own.box, leftHalf)) match = own;
            return match.has_value();
        });
        return match;
    };
    grabAndMove({1, 450});
    auto preview = previewAtLeftHalf();
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
    ASSERT_TRUE(previewAtLeftHalf());
    desktop.releaseButton();
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraWindows().empty(); }));
    EXPECT_TRUE(desktop.reaches(window, leftHalf));
}

}  // namespace
}  // namespace kelvra::e2e
