// Dragging a real window by its title bar under a window manager: the zone under the cursor is
// previewed while the button is down and the window lands in it on release.
#include "Harness.h"  // GoogleTest before Xlib, whose None macro would break it

#include <X11/extensions/shape.h>

#include <algorithm>

namespace kelvra::e2e {
namespace {

TEST(Drag, ThePreviewShowsTheZoneAndTitleBarDragsSnapAtEdgesAndCornersButNotMidScreen) {
    Desktop desktop;
    if (!desktop.hasWindowManager())
        GTEST_SKIP() << "without a window manager no title bar moves a window";
    desktop.startKelvra();
    Window window = desktop.startActiveClient({"dragged", {"--geometry", "500x400+300+200"}});
    const Box original = *desktop.frame(window);
    auto frame = [&] { return desktop.frame(window).value_or(Box{}); };
    desktop.dragTitleBar(window, {1, 450}, 40);
    std::optional<OwnWindow> preview;
    ASSERT_TRUE(Desktop::waitUntil([&] {
        return (preview = desktop.ownWindowNear(zone::leftHalf)).has_value();
    })) << "no preview at the left half during the drag";
    // Outside the window manager's lists, and clicks go through it: an empty input shape.
    EXPECT_TRUE(preview->overrideRedirect);
    auto clients = desktop.property(desktop.root(), "_NET_CLIENT_LIST");
    EXPECT_EQ(std::count(clients.begin(), clients.end(), long(preview->window)), 0);
    int count = -1, ordering = 0;
    XFree(XShapeGetRectangles(desktop.display(), preview->window, ShapeInput, &count, &ordering));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(desktop.activeWindow(), window) << "the preview never takes the focus";
    desktop.releaseButton();
    // The preview goes (a tray icon in the manager's own panel stays).
    EXPECT_TRUE(Desktop::waitUntil([&] {
        auto own = desktop.kelvraWindows();
        return std::none_of(own.begin(), own.end(), [](auto& w) { return !w.embedded; });
    }));
    EXPECT_TRUE(desktop.reaches(window, zone::leftHalf)) << "left edge";

    // Pulled out of its zone, it takes its old size back, and a release in the middle
    // of the screen leaves it where it was dropped: no snap, no late correction.
    desktop.dragTitleBar(window, {720, 300}, 40);
    const Box size{0, 0, original.width, original.height};
    ASSERT_TRUE(Desktop::waitUntil([&] {
        return near({0, 0, frame().width, frame().height}, size);
    })) << frame();
    desktop.releaseButton();
    auto after = desktop.waitForChange(window, frame(), 400ms);
    ASSERT_TRUE(after);
    EXPECT_TRUE(near({0, 0, after->width, after->height}, size)) << *after;

    desktop.dragTitleBar(window, {2, 2}, 40);
    desktop.releaseButton();
    EXPECT_TRUE(desktop.reaches(window, zone::topLeft)) << "top-left corner";
    // The window manager's own end of the move does not undo the snap.
    after = desktop.waitForChange(window, frame(), 400ms);
    EXPECT_TRUE(after && near(*after, zone::topLeft)) << frame();
}

}  // namespace
}  // namespace kelvra::e2e
