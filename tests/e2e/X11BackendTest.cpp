// The X11 backend's ports against a real server: frames set through the window
// manager (or without one) and read back as applied, screens with their docks,
// window kinds, the window under a point and the window notifications.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Harness.h"
#include "platform/port/Platform.h"
#include "platform/sim/VirtualRunLoop.h"
#include "platform/x11/X11Accessibility.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/pure/ElementId.h"

namespace kelvra::e2e {
namespace {

using port::AXElement;
namespace ax = port::ax;

// The backend ports on the test's display, installed as the process's platform so
// that their notifications reach a run loop the test drives.
class Backend {
  public:
    explicit Backend(const Desktop& desktop)
        : connection_(desktop.displayName().c_str()), screens_(connection_), ax_(connection_) {
        Platform p;
        p.runLoop = &loop_;
        p.screens = &screens_;
        p.accessibility = &ax_;
        installPlatform(p);
    }
    ~Backend() { uninstallPlatform(); }

    x11::X11Screens& screens() { return screens_; }
    x11::X11Accessibility& ax() { return ax_; }
    AXElement window(Window w) { return {x11::makeElementId(x11::ElementKind::window, w)}; }

    // Reads the server's events and runs what they posted until `condition` holds.
    bool pumpUntil(const std::function<bool()>& condition) {
        return Desktop::waitUntil([&] {
            connection_.dispatchPending();
            loop_.runPending();
            return condition();
        });
    }
    Box frame(AXElement e) {
        auto p = ax_.copyAttributeValue(e, ax::position);
        auto s = ax_.copyAttributeValue(e, ax::size);
        if (!p || !s) return {};
        auto origin = std::get<Point>(*p);
        auto size = std::get<Size>(*s);
        return {origin.x, origin.y, size.width, size.height};
    }
    // The window handle's order: position, size, position, then the read-back.
    Box setFrame(AXElement e, const Box& b) {
        ax_.setAttributeValue(e, ax::position, Point{b.x, b.y});
        ax_.setAttributeValue(e, ax::size, Size{b.width, b.height});
        ax_.setAttributeValue(e, ax::position, Point{b.x, b.y});
        return frame(e);
    }
    std::string subrole(AXElement e) {
        auto v = ax_.copyAttributeValue(e, ax::subrole);
        return v ? std::get<std::string>(*v) : "";
    }

  private:
    sim::VirtualRunLoop loop_;
    x11::X11Connection connection_;
    x11::X11Screens screens_;
    x11::X11Accessibility ax_;
};

// The primary on the right, so the working space's origin is not the root's.
DesktopOptions primaryOnTheRight(bool windowManager) {
    return {.screen = "2560x1024x24",
            .monitors = {{"LEFT", 0, 0, 1280, 1024, false}, {"RIGHT", 1280, 0, 1280, 900, true}},
            .windowManager = windowManager};
}

TEST(X11Backend, FramesAreSetThroughTheManagerAndReadBackAsGranted) {
    Desktop desktop(primaryOnTheRight(true));
    Backend backend(desktop);
    Window free =
        desktop.startTestClient({.title = "free", .arguments = {"--geometry", "400x300+1400+100"}});
    Window stepped =
        desktop.startTestClient({.title = "stepped",
                                 .arguments = {"--geometry", "400x300+1500+200", "--min-size",
                                               "200x150", "--increments", "10x20"}});

    // Exactly what was asked, also on the monitor left of the origin.
    Box target{-1200, 40, 640, 480};
    Box got = backend.setFrame(backend.window(free), target);
    EXPECT_EQ(got, target);
    EXPECT_PRED3(near, *desktop.frame(free), target, 0.0);

    // Whole increments only: the read-back is the frame really applied, not the request.
    got = backend.setFrame(backend.window(stepped), {100, 50, 633, 411});
    EXPECT_EQ(got.x, 100);
    EXPECT_EQ(got.y, 50);
    EXPECT_LT(got.width, 633);
    EXPECT_LT(got.height, 411);
    EXPECT_PRED3(near, *desktop.frame(stepped), got, 0.0);

    // A maximized window is restored first, or the manager would ignore the move.
    desktop.run(
        {"wmctrl", "-i", "-r", std::to_string(free), "-b", "add,maximized_vert,maximized_horz"});
    ASSERT_TRUE(desktop.waitForChange(free, target));
    Box small{200, 200, 500, 400};
    EXPECT_EQ(backend.setFrame(backend.window(free), small), small);
}

TEST(X11Backend, WithoutAManagerWindowsGetExactlyTheFrameAsked) {
    Desktop desktop(primaryOnTheRight(false));
    Backend backend(desktop);
    Window w = desktop.startTestClient(
        {.title = "bare",
         .arguments = {"--geometry", "400x300+1400+100", "--increments", "10x20"}});
    Box target{-1000, 100, 633, 411};
    EXPECT_EQ(backend.setFrame(backend.window(w), target), target);
    EXPECT_TRUE(backend.ax().performAction(backend.window(w), ax::raiseAction));
}

TEST(X11Backend, ScreensComePrimaryFirstLessTheDocksOnThem) {
    Desktop desktop(primaryOnTheRight(true));
    Backend backend(desktop);
    int changes = 0;
    auto subscription = backend.screens().onScreensChanged([&] { ++changes; });

    auto screens = backend.screens().screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].name, "RIGHT");
    EXPECT_EQ(screens[0].frame, Rect(0, 0, 1280, 900));
    // Bottom-left space: LEFT is 124 pixels taller, so it reaches below the primary.
    EXPECT_EQ(screens[1].frame, Rect(-1280, -124, 1280, 1024));
    EXPECT_EQ(screens[1].visibleFrame, screens[1].frame);

    desktop.addTopDock(30);
    ASSERT_TRUE(backend.pumpUntil([&] { return changes > 0; }));
    screens = backend.screens().screens();
    EXPECT_EQ(screens[0].visibleFrame, Rect(0, 0, 1280, 870));
    EXPECT_EQ(screens[1].visibleFrame, screens[1].frame);
}

TEST(X11Backend, WindowKindsAndTheWindowUnderAPoint) {
    Desktop desktop(primaryOnTheRight(true));
    Backend backend(desktop);
    Window normal = desktop.startTestClient(
        {.title = "normal", .arguments = {"--geometry", "500x400+1400+100"}});
    Window dialog = desktop.startTestClient(
        {.title = "dialog",
         .arguments = {"--type", "dialog", "--transient-for", std::to_string(normal), "--geometry",
                       "200x150+1450+150"}});
    Window utility = desktop.startTestClient(
        {.title = "utility", .arguments = {"--type", "utility", "--geometry", "200x150+100+100"}});
    EXPECT_EQ(backend.subrole(backend.window(normal)), "AXStandardWindow");
    EXPECT_EQ(backend.subrole(backend.window(dialog)), "AXDialog");
    EXPECT_EQ(backend.subrole(backend.window(utility)), "AXFloatingWindow");

    auto& ax = backend.ax();
    desktop.activate(dialog);
    Box d = *desktop.frame(dialog);
    Box n = *desktop.frame(normal);
    EXPECT_EQ(ax.elementAtPosition(ax.systemWideElement(), {d.x + 5, d.y + 5}),
              backend.window(dialog));
    EXPECT_EQ(ax.elementAtPosition(ax.systemWideElement(), {n.x + n.width - 5, n.y + n.height - 5}),
              backend.window(normal));
    EXPECT_FALSE(ax.elementAtPosition(ax.systemWideElement(), {1200, 800}));

    // The application lists its windows frontmost first and names the focused one.
    auto app = ax.applicationElement(*ax.pidOf(backend.window(dialog)));
    auto focused = ax.copyAttributeValue(app, ax::focusedWindow);
    ASSERT_TRUE(focused);
    EXPECT_EQ(std::get<AXElement>(*focused), backend.window(dialog));
}

TEST(X11Backend, ObserversHearMovesResizesMinimizingAndTheEnd) {
    Desktop desktop(primaryOnTheRight(true));
    Backend backend(desktop);
    Window w = desktop.startTestClient(
        {.title = "watched", .arguments = {"--geometry", "400x300+1400+100"}});
    auto& ax = backend.ax();
    AXElement e = backend.window(w);
    std::vector<std::string> heard;
    auto observer = ax.createObserver(*ax.pidOf(e), [&](AXElement element, const std::string& n) {
        if (element == e) heard.push_back(n);
    });
    ASSERT_TRUE(observer);
    for (const char* n : {ax::movedNotification, ax::resizedNotification,
                          ax::miniaturizedNotification, ax::destroyedNotification})
        EXPECT_TRUE(ax.addNotification(*observer, e, n));
    auto heardIt = [&](const std::string& n) {
        return std::find(heard.begin(), heard.end(), n) != heard.end();
    };

    // Moved by someone else: the user, through the manager.
    desktop.run({"wmctrl", "-i", "-r", std::to_string(w), "-e", "0,300,300,500,350"});
    EXPECT_TRUE(backend.pumpUntil(
        [&] { return heardIt(ax::movedNotification) && heardIt(ax::resizedNotification); }));

    EXPECT_TRUE(ax.setAttributeValue(e, ax::minimized, true));
    EXPECT_TRUE(backend.pumpUntil([&] { return heardIt(ax::miniaturizedNotification); }));
    auto minimized = ax.copyAttributeValue(e, ax::minimized);
    EXPECT_TRUE(minimized && std::get<bool>(*minimized));

    desktop.run({"wmctrl", "-i", "-c", std::to_string(w)});
    EXPECT_TRUE(backend.pumpUntil([&] { return heardIt(ax::destroyedNotification); }));
    EXPECT_FALSE(ax.copyAttributeValue(e, ax::position));
}

}  // namespace
}  // namespace kelvra::e2e
