// The X11 backend's ports against a real server: frames set through the window
// manager (or without one) and returned as granted, screens with their docks, window
// kinds, the focused window and the window under a point, the windows of a process
// (also one that does not name its process), and what observers hear.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "Harness.h"
#include "platform/port/Platform.h"
#include "platform/sim/VirtualRunLoop.h"
#include "platform/x11/X11Applications.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11WindowService.h"

namespace kelvra::e2e {
namespace {

using port::WindowEvent;
using port::WindowKind;
using port::WindowRef;

// The backend ports on the test's display, installed as the process's platform so
// that their notifications reach a run loop the test drives.
class Backend {
  public:
    explicit Backend(const Desktop& desktop)
        : connection_(desktop.displayName().c_str()),
          screens_(connection_),
          applications_(connection_),
          windows_(connection_, applications_) {
        Platform p;
        p.runLoop = &loop_;
        p.screens = &screens_;
        p.applications = &applications_;
        installPlatform(p);
    }
    ~Backend() { uninstallPlatform(); }

    x11::X11Screens& screens() { return screens_; }
    x11::X11Applications& applications() { return applications_; }
    x11::X11WindowService& windows() { return windows_; }
    static WindowRef ref(Window w) { return {static_cast<uint64_t>(w)}; }

    // Reads the server's events and runs what they posted until `condition` holds.
    bool pumpUntil(const std::function<bool()>& condition) {
        return Desktop::waitUntil([&] {
            connection_.dispatchPending();
            loop_.runPending();
            return condition();
        });
    }
    Box frame(Window w) { return box(windows_.frame(ref(w))); }
    Box setFrame(Window w, const Box& b) {
        return box(windows_.setFrame(ref(w), Rect(b.x, b.y, b.width, b.height)));
    }
    static Box box(const std::optional<Rect>& r) {
        if (!r) return {};
        return {r->x, r->y, r->width, r->height};
    }

  private:
    sim::VirtualRunLoop loop_;
    x11::X11Connection connection_;
    x11::X11Screens screens_;
    x11::X11Applications applications_;
    x11::X11WindowService windows_;
};

// The primary on the right, so the working space's origin is not the root's.
DesktopOptions primaryOnTheRight(bool windowManager) {
    return {.screen = "2560x1024x24",
            .monitors = {{"LEFT", 0, 0, 1280, 1024, false}, {"RIGHT", 1280, 0, 1280, 900, true}},
            .windowManager = windowManager};
}

// A window of this test process itself, as our own windows would be.
Window ownWindow(Display* d, const std::string& title) {
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 50, 50, 300, 200, 0, 0, 0);
    long pid = getpid();
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    XStoreName(d, w, title.c_str());
    XMapWindow(d, w);
    XFlush(d);
    return w;
}

// A window that does not name its process is found through the server.
void expectFoundThroughTheServer(Desktop& desktop, Backend& backend) {
    Window w = desktop.startTestClient(
        {.title = "anonymous", .arguments = {"--no-pid", "--geometry", "400x300+1400+100"}});
    pid_t pid = desktop.lastClientPid();
    EXPECT_EQ(backend.windows().pid(Backend::ref(w)), pid);
    EXPECT_EQ(backend.windows().windowsOf(pid), std::vector<WindowRef>{Backend::ref(w)});
    auto app = backend.applications().application(pid);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleIdentifier, "Kelvra-testclient");
}

TEST(X11Backend, SetFrameAsksOnceAndReturnsTheFrameGrantedAndScreensLoseTheirDocks) {
    Desktop desktop(primaryOnTheRight(true));
    Backend backend(desktop);
    struct Case {
        const char* name;
        std::vector<std::string> arguments;
        Box target;
        // Granted size rule: exactly the target, whole increments below it, or the minimum.
        enum { exact, increments, minimum } rule;
    };
    const Case cases[] = {
        {"free, left of the origin", {}, {-1200, 40, 640, 480}, Case::exact},
        {"size increments",
         {"--increments", "10x20", "--base-size", "0x0"},
         {100, 50, 633, 411},
         Case::increments},
        {"minimum size", {"--min-size", "500x400"}, {200, 100, 300, 200}, Case::minimum},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"--geometry", "400x300+1400+100"};
        args.insert(args.end(), c.arguments.begin(), c.arguments.end());
        Window w = desktop.startTestClient({.title = c.name, .arguments = args});
        Box got = backend.setFrame(w, c.target);
        // What came back is what the window really has, read by another client.
        EXPECT_PRED3(near, *desktop.frame(w), got, 0.0);
        EXPECT_EQ(got.x, c.target.x);
        EXPECT_EQ(got.y, c.target.y);
        switch (c.rule) {
            case Case::exact:
                EXPECT_EQ(got, c.target);
                break;
            case Case::increments:
                EXPECT_LT(got.width, c.target.width);
                EXPECT_GT(got.width, c.target.width - 10);
                EXPECT_LT(got.height, c.target.height);
                EXPECT_GT(got.height, c.target.height - 20);
                break;
            case Case::minimum:
                EXPECT_GT(got.width, c.target.width);
                EXPECT_GT(got.height, c.target.height);
                break;
        }
        // Asking again for what it has changes nothing and still answers.
        EXPECT_EQ(backend.setFrame(w, got), got);
    }

    // A maximized window is restored first, or the manager would ignore the move.
    Window big = desktop.startTestClient(
        {.title = "maximized", .arguments = {"--geometry", "400x300+1400+100"}});
    Box before = *desktop.frame(big);
    desktop.run(
        {"wmctrl", "-i", "-r", std::to_string(big), "-b", "add,maximized_vert,maximized_horz"});
    ASSERT_TRUE(desktop.waitForChange(big, before));
    const long maximizedHorz = XInternAtom(desktop.display(), "_NET_WM_STATE_MAXIMIZED_HORZ", 0);
    ASSERT_TRUE(Desktop::waitUntil([&] {
        auto state = desktop.property(big, "_NET_WM_STATE");
        return std::find(state.begin(), state.end(), maximizedHorz) != state.end();
    }));
    Box small{200, 200, 500, 400};
    EXPECT_EQ(backend.setFrame(big, small), small);
    EXPECT_PRED3(near, *desktop.frame(big), small, 0.0);

    // A window that is gone gives nothing.
    EXPECT_FALSE(backend.windows().setFrame(Backend::ref(0x7ffffff), Rect(0, 0, 100, 100)));

    // Screens come primary first, less the docks on them.
    int changes = 0;
    auto subscription = backend.screens().onScreensChanged([&] { ++changes; });

    auto screens = backend.screens().screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].name, "RIGHT");
    EXPECT_EQ(screens[0].frame, Rect(0, 0, 1280, 900));
    // Top-left space: LEFT is 124 pixels taller, so it reaches below the primary.
    EXPECT_EQ(screens[1].frame, Rect(-1280, 0, 1280, 1024));
    EXPECT_EQ(screens[1].visibleFrame, screens[1].frame);

    desktop.addTopDock(30);
    ASSERT_TRUE(backend.pumpUntil([&] {
        screens = backend.screens().screens();
        return changes > 0 && screens[0].visibleFrame.y == 30;
    }));
    EXPECT_EQ(screens[0].visibleFrame, Rect(0, 30, 1280, 870));
    EXPECT_EQ(screens[1].visibleFrame, screens[1].frame);
}

TEST(X11Backend, WithoutAManagerWindowsGetExactlyTheFrameAsked) {
    Desktop desktop(primaryOnTheRight(false));
    Backend backend(desktop);
    auto& windows = backend.windows();
    Window w = desktop.startTestClient(
        {.title = "bare",
         .arguments = {"--geometry", "400x300+1400+100", "--increments", "10x20"}});
    Window other = desktop.startTestClient(
        {.title = "other", .arguments = {"--type", "utility", "--geometry", "200x100+1500+600"}});
    pid_t otherPid = desktop.lastClientPid();

    Box target{-1000, 100, 633, 411};
    EXPECT_EQ(backend.setFrame(w, target), target);
    EXPECT_PRED3(near, *desktop.frame(w), target, 0.0);

    windows.raise(Backend::ref(w));
    EXPECT_TRUE(Desktop::waitUntil([&] { return windows.focusedWindow() == Backend::ref(w); }));
    EXPECT_EQ(windows.windowAt({-900, 200}), Backend::ref(w));
    EXPECT_EQ(windows.windowAt({230, 620}), Backend::ref(other));
    EXPECT_FALSE(windows.windowAt({1200, 10}));
    EXPECT_EQ(windows.kind(Backend::ref(other)), WindowKind::floating);
    EXPECT_EQ(windows.pid(Backend::ref(other)), otherPid);
    EXPECT_EQ(windows.windowsOf(otherPid), std::vector<WindowRef>{Backend::ref(other)});
    expectFoundThroughTheServer(desktop, backend);
}

TEST(X11Backend, KindsFocusAndTheWindowUnderAPoint) {
    Desktop desktop(primaryOnTheRight(true));
    Backend backend(desktop);
    auto& windows = backend.windows();
    Window normal = desktop.startTestClient(
        {.title = "normal",
         .arguments = {"--geometry", "500x400+1400+100", "--class", "normal,Example-Editor"}});
    pid_t normalPid = desktop.lastClientPid();
    struct Case {
        const char* title;
        std::vector<std::string> arguments;
        WindowKind kind;
    };
    const Case cases[] = {
        {"dialog",
         {"--type", "dialog", "--transient-for", std::to_string(normal), "--geometry",
          "200x150+1450+150"},
         WindowKind::dialog},
        // The test client names a type (normal) for every window: the type wins.
        {"typed transient",
         {"--transient-for", std::to_string(normal), "--geometry", "200x150+100+600"},
         WindowKind::standard},
        {"utility", {"--type", "utility", "--geometry", "200x150+100+100"}, WindowKind::floating},
        {"toolbar", {"--type", "toolbar", "--geometry", "200x150+400+100"}, WindowKind::floating},
        {"splash", {"--type", "splash", "--geometry", "200x150+700+100"}, WindowKind::other},
    };
    EXPECT_EQ(windows.kind(Backend::ref(normal)), WindowKind::standard);
    Window dialog = None;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        Window w = desktop.startTestClient({.title = c.title, .arguments = c.arguments});
        if (dialog == None) dialog = w;
        EXPECT_EQ(windows.kind(Backend::ref(w)), c.kind);
        EXPECT_EQ(windows.title(Backend::ref(w)), c.title);
        EXPECT_EQ(windows.isMinimized(Backend::ref(w)), false);
    }

    desktop.activate(dialog);
    EXPECT_EQ(windows.focusedWindow(), Backend::ref(dialog));
    Box d = *desktop.frame(dialog);
    Box n = *desktop.frame(normal);
    EXPECT_EQ(windows.windowAt({d.x + 5, d.y + 5}), Backend::ref(dialog));
    EXPECT_EQ(windows.windowAt({n.x + n.width - 5, n.y + n.height - 5}), Backend::ref(normal));
    EXPECT_FALSE(windows.windowAt({1200, 800}));

    EXPECT_EQ(windows.pid(Backend::ref(normal)), normalPid);
    EXPECT_EQ(windows.windowsOf(normalPid), std::vector<WindowRef>{Backend::ref(normal)});
    EXPECT_EQ(windows.applicationId(Backend::ref(normal)), "Example-Editor");
    EXPECT_EQ(windows.frame(Backend::ref(normal))->x, n.x);

    // Our own window in front: no other application's window has the focus.
    Window own = ownWindow(desktop.display(), "own");
    ASSERT_TRUE(Desktop::waitUntil([&] { return windows.exists(Backend::ref(own)); }));
    desktop.activate(own);
    EXPECT_FALSE(windows.focusedWindow());
    EXPECT_EQ(windows.windowsOf(getpid()), std::vector<WindowRef>{Backend::ref(own)});
    EXPECT_FALSE(windows.exists(Backend::ref(0x7ffffff)));
    EXPECT_FALSE(windows.kind(Backend::ref(0x7ffffff)));
    expectFoundThroughTheServer(desktop, backend);
}

TEST(X11Backend, ObserversHearMovesResizesMinimizingTheEndAndNewWindows) {
    Desktop desktop(primaryOnTheRight(true));
    Backend backend(desktop);
    auto& windows = backend.windows();
    Window w = desktop.startTestClient(
        {.title = "watched", .arguments = {"--geometry", "400x300+1400+100"}});
    std::vector<WindowEvent> heard;
    auto subscription =
        windows.observe(Backend::ref(w), [&](WindowEvent e) { heard.push_back(e); });
    ASSERT_TRUE(subscription.active());
    auto heardIt = [&](WindowEvent e) {
        return std::find(heard.begin(), heard.end(), e) != heard.end();
    };
    std::vector<WindowRef> created;
    auto creation = windows.observeCreated(getpid(), [&](WindowRef r) { created.push_back(r); });

    // Moved by someone else: the user, through the manager.
    desktop.run({"wmctrl", "-i", "-r", std::to_string(w), "-e", "0,300,300,500,350"});
    EXPECT_TRUE(backend.pumpUntil(
        [&] { return heardIt(WindowEvent::moved) && heardIt(WindowEvent::resized); }));

    XIconifyWindow(desktop.display(), w, DefaultScreen(desktop.display()));
    XFlush(desktop.display());
    EXPECT_TRUE(backend.pumpUntil([&] { return heardIt(WindowEvent::minimized); }));
    EXPECT_EQ(windows.isMinimized(Backend::ref(w)), true);

    // A new window of this process: heard as created, and a listed window of it.
    Window own = ownWindow(desktop.display(), "new");
    EXPECT_TRUE(backend.pumpUntil([&] { return !created.empty(); }));
    EXPECT_EQ(created, std::vector<WindowRef>{Backend::ref(own)});

    heard.clear();
    desktop.run({"wmctrl", "-i", "-c", std::to_string(w)});
    EXPECT_TRUE(backend.pumpUntil([&] { return heardIt(WindowEvent::destroyed); }));
    EXPECT_FALSE(windows.frame(Backend::ref(w)));
    EXPECT_FALSE(windows.exists(Backend::ref(w)));

    // A cancelled subscription hears nothing more.
    Window quiet = desktop.startTestClient(
        {.title = "quiet", .arguments = {"--geometry", "400x300+1400+100"}});
    int calls = 0;
    auto cancelled = windows.observe(Backend::ref(quiet), [&](WindowEvent) { ++calls; });
    cancelled.cancel();
    Box before = *desktop.frame(quiet);
    desktop.run({"wmctrl", "-i", "-r", std::to_string(quiet), "-e", "0,200,200,300,300"});
    auto after = desktop.waitForChange(quiet, before);
    ASSERT_TRUE(after && *after != before);
    // Once the backend sees the frame the window has (the move may come in steps), its
    // events have been read and handled.
    EXPECT_TRUE(backend.pumpUntil([&] { return backend.frame(quiet) == *desktop.frame(quiet); }));
    backend.pumpUntil([] { return true; });
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace kelvra::e2e
