// The zone preview on a real X server under openbox: a window of Kelvra's own at the
// zone's frame, above everything, outside the window manager's lists, never focused,
// and letting clicks through to whatever lies beneath.
// gtest before Xlib, whose None macro would break it.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

// The zones on 1440 x 900 with the default gap of 8 and no padding.
constexpr Box leftHalf{0, 0, 716, 900};
constexpr Box rightHalf{724, 0, 716, 900};

std::optional<OwnWindow> waitForPreviewAt(Desktop& desktop, const Box& expected) {
    std::optional<OwnWindow> seen;
    Desktop::waitUntil([&] {
        for (const auto& s : desktop.kelvraWindows()) {
            seen = s;
            if (near(s.box, expected)) return true;
        }
        return false;
    });
    return seen;
}

// Position of `w` among the root's children, bottom to top.
long stackIndex(Display* d, Window root, Window w) {
    Window rootReturn, parent;
    Window* children = nullptr;
    unsigned int count = 0;
    XQueryTree(d, root, &rootReturn, &parent, &children, &count);
    long index = -1;
    for (unsigned int i = 0; i < count; ++i)
        if (children[i] == w) index = i;
    if (children) XFree(children);
    return index;
}

// A plain window of the test's own, covering the screen under everything Kelvra
// shows, that reports the button presses it gets.
class ClickTarget {
  public:
    explicit ClickTarget(Desktop& desktop) : display_(desktop.display()) {
        XSetWindowAttributes a{};
        a.override_redirect = True;
        a.event_mask = ButtonPressMask;
        window_ = XCreateWindow(display_, desktop.root(), 0, 0, 1440, 900, 0, CopyFromParent,
                                InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &a);
        XMapRaised(display_, window_);
        XSync(display_, False);
    }
    ~ClickTarget() {
        XDestroyWindow(display_, window_);
        XSync(display_, False);
    }
    Window window() const { return window_; }
    bool receivedPressAt(int x, int y) {
        XEvent e;
        return Desktop::waitUntil([&] {
            while (XCheckWindowEvent(display_, window_, ButtonPressMask, &e)) {
                if (e.xbutton.x_root == x && e.xbutton.y_root == y) return true;
            }
            return false;
        });
    }

  private:
    Display* display_;
    Window window_;
};

bool shapeContains(Display* d, Window w, int kind, int x, int y) {
    int count = 0, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(d, w, kind, &count, &ordering);
    bool inside = false;
    for (int i = 0; i < count; ++i) {
        const auto& r = rects[i];
        if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height) inside = true;
    }
    if (rects) XFree(rects);
    return inside;
}

void click(Display* d, int x, int y) {
    XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XFlush(d);
}

// With a compositing manager the preview is the whole translucent rectangle; without
// one it is cut to its outline. Either way it must behave the same to the user.
class OverlayTest : public ::testing::TestWithParam<bool> {};

TEST_P(OverlayTest, PreviewIsAClickThroughWindowAboveTheZoneThatNeverTakesFocus) {
    const bool composited = GetParam();
    Desktop desktop;
    std::unique_ptr<ChildProcess> compositor;
    Display* d = desktop.display();
    if (composited) {
        compositor = std::make_unique<ChildProcess>(
            ChildProcess::Options{.argv = {"xcompmgr"},
                                  .environment = {{"DISPLAY", desktop.displayName()}},
                                  .logFile = desktop.home() / "xcompmgr.log",
                                  .inheritedFds = {}});
        Atom selection = XInternAtom(d, "_NET_WM_CM_S0", False);
        ASSERT_TRUE(Desktop::waitUntil([&] { return XGetSelectionOwner(d, selection) != None; }))
            << "the compositing manager did not start: " << compositor->logText();
    }
    Window editor = desktop.startTestClient({.title = "editor", .arguments = {}});
    desktop.startKelvra();
    desktop.activate(editor);
    ClickTarget target(desktop);

    ASSERT_EQ(desktop.runAnotherKelvra(10s, {"--show-zone=leftHalf"}), 0);
    auto preview = waitForPreviewAt(desktop, leftHalf);
    ASSERT_TRUE(preview) << "no preview window appeared";
    ASSERT_TRUE(near(preview->box, leftHalf)) << preview->box;

    // Outside the window manager's care: stacked by itself, in no client list.
    EXPECT_TRUE(preview->overrideRedirect);
    auto clients = desktop.property(desktop.root(), "_NET_CLIENT_LIST");
    EXPECT_EQ(std::count(clients.begin(), clients.end(), long(preview->window)), 0);
    EXPECT_GT(stackIndex(d, desktop.root(), preview->window),
              stackIndex(d, desktop.root(), target.window()));

    // Input-transparent: an empty input shape.
    int count = -1, ordering = 0;
    XRectangle* rects = XShapeGetRectangles(d, preview->window, ShapeInput, &count, &ordering);
    if (rects) XFree(rects);
    EXPECT_EQ(count, 0);

    // The focus stays where it was.
    EXPECT_EQ(desktop.activeWindow(), editor);

    // Clicks on its middle and on its edge land on the window beneath. The middle is
    // drawn only with a compositing manager; the edge always.
    int w = int(preview->box.width), h = int(preview->box.height);
    EXPECT_EQ(shapeContains(d, preview->window, ShapeBounding, w / 2, h / 2), composited);
    EXPECT_TRUE(shapeContains(d, preview->window, ShapeBounding, 1, h / 2));
    for (auto [x, y] : {std::pair{w / 2, h / 2}, std::pair{1, h / 2}}) {
        int rx = int(preview->box.x) + x, ry = int(preview->box.y) + y;
        click(d, rx, ry);
        EXPECT_TRUE(target.receivedPressAt(rx, ry)) << "at " << rx << ", " << ry;
    }

    // Kelvra itself looks past its preview: a shortcut still moves the editor.
    EXPECT_TRUE(desktop.pressAndExpect(editor, XK_Right, rightHalf));

    // Another zone while it is up: the same window moves there.
    ASSERT_EQ(desktop.runAnotherKelvra(10s, {"--show-zone=rightHalf"}), 0);
    auto moved = waitForPreviewAt(desktop, rightHalf);
    ASSERT_TRUE(moved);
    EXPECT_TRUE(near(moved->box, rightHalf)) << moved->box;
    EXPECT_EQ(moved->window, preview->window);

    // It goes away by itself a few seconds later.
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraWindows().empty(); }, 6s));
    EXPECT_TRUE(desktop.kelvraRunning());
}

INSTANTIATE_TEST_SUITE_P(Compositing, OverlayTest, ::testing::Values(false, true),
                         [](const auto& info) {
                             return info.param ? "Composited" : "NotComposited";
                         });

}  // namespace
}  // namespace kelvra::e2e
