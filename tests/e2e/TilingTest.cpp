// Tile groups on a real X server under openbox: windows snapped side by side follow each
// other's resizes, a divider of Kelvra's own lies over the shared edge and moves it when
// dragged, and everything lets go when a window closes.
// gtest before Xlib, whose None macro would break it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

// The zones on 1440 x 900 with the default gap of 8 and no padding.
constexpr Box leftHalf{0, 0, 716, 900};
constexpr Box rightHalf{724, 0, 716, 900};

// Kelvra's mapped override-redirect windows one edge thick: its dividers.
std::vector<Box> dividers(Desktop& desktop) {
    std::vector<Box> found;
    for (const auto& w : desktop.kelvraWindows())
        if (w.overrideRedirect && (w.box.width == 16 || w.box.height == 16)) found.push_back(w.box);
    return found;
}

bool dividersAre(Desktop& desktop, const std::vector<Box>& expected) {
    return Desktop::waitUntil([&] {
        auto seen = dividers(desktop);
        if (seen.size() != expected.size()) return false;
        for (const auto& e : expected) {
            bool found = false;
            for (const auto& s : seen) found = found || near(s, e);
            if (!found) return false;
        }
        return true;
    });
}

// Resizes a window as the user does through the window manager (its border, or a
// pager): a new client x and width.
void resizeThroughWindowManager(Desktop& desktop, Window w, std::optional<int> clientX,
                                int clientWidth) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(desktop.display(), "_NET_MOVERESIZE_WINDOW", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = NorthWestGravity | (1 << 10) | (2 << 12) | (clientX ? (1 << 8) : 0);
    e.xclient.data.l[1] = clientX.value_or(0);
    e.xclient.data.l[3] = clientWidth;
    XSendEvent(desktop.display(), desktop.root(), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(desktop.display());
}

int clientWidth(Desktop& desktop, Window w) {
    XWindowAttributes a;
    XGetWindowAttributes(desktop.display(), w, &a);
    return a.width;
}

Window snappedClient(Desktop& desktop, const std::string& title, unsigned long keysym,
                     std::vector<std::string> arguments = {}) {
    Window w = desktop.startTestClient({title, std::move(arguments)});
    desktop.activate(w);
    desktop.pressShortcut(keysym);
    return w;
}

// With KELVRA_SCREENSHOT set, the desktop mid-drag (divider, grip and chip) goes there.
void screenshotMidDrag(Desktop& desktop, int x, int y) {
    const char* path = std::getenv("KELVRA_SCREENSHOT");
    if (!path) return;
    XTestFakeMotionEvent(desktop.display(), -1, x, y, CurrentTime);
    XTestFakeButtonEvent(desktop.display(), 1, True, CurrentTime);
    XSync(desktop.display(), False);
    for (int dx = 1; dx <= 6; ++dx) {
        Desktop::waitUntil([] { return false; }, 20ms);
        XTestFakeMotionEvent(desktop.display(), -1, x - dx * 4, y, CurrentTime);
        XSync(desktop.display(), False);
    }
    Desktop::waitUntil([] { return false; }, 300ms);
    desktop.run({"import", "-window", "root", path});
    XTestFakeButtonEvent(desktop.display(), 1, False, CurrentTime);
    XSync(desktop.display(), False);
}

TEST(Tiling, HalvesFollowEachOtherAndTheirDivider) {
    Desktop desktop;
    desktop.startKelvra();
    Window a = snappedClient(desktop, "left", XK_Left);
    ASSERT_TRUE(near(*desktop.waitForFrame(a, leftHalf), leftHalf));
    Window b = snappedClient(desktop, "right", XK_Right);
    ASSERT_TRUE(near(*desktop.waitForFrame(b, rightHalf), rightHalf));
    ASSERT_TRUE(dividersAre(desktop, {{712, 0, 16, 900}})) << "one divider over the gap";

    // The user widens the left window by 200: the right one gives way, gap kept.
    resizeThroughWindowManager(desktop, a, std::nullopt, clientWidth(desktop, a) + 200);
    EXPECT_TRUE(near(*desktop.waitForFrame(b, {924, 0, 516, 900}), {924, 0, 516, 900}));
    EXPECT_TRUE(near(*desktop.frame(a), {0, 0, 916, 900}));
    EXPECT_TRUE(dividersAre(desktop, {{912, 0, 16, 900}}));

    // Dragging the divider moves both sides.
    desktop.drag({920, 450}, {600, 450}, 12);
    EXPECT_TRUE(near(*desktop.waitForFrame(a, {0, 0, 596, 900}), {0, 0, 596, 900}));
    EXPECT_TRUE(near(*desktop.waitForFrame(b, {604, 0, 836, 900}), {604, 0, 836, 900}));
    EXPECT_TRUE(dividersAre(desktop, {{592, 0, 16, 900}}));
    auto active = desktop.activeWindow();
    EXPECT_TRUE(active == a || active == b) << "the divider never takes the focus";

    // A double click puts the split back to 50 : 50.
    desktop.doubleClick(600, 450);
    EXPECT_TRUE(near(*desktop.waitForFrame(a, leftHalf), leftHalf));
    EXPECT_TRUE(near(*desktop.waitForFrame(b, rightHalf), rightHalf));
    screenshotMidDrag(desktop, 720, 450);

    desktop.closeWindow(b);
    EXPECT_TRUE(dividersAre(desktop, {})) << "the divider goes with the pair";
}

TEST(Tiling, ThirdsShareTwoDividers) {
    Desktop desktop;
    desktop.startKelvra();
    Window w[] = {snappedClient(desktop, "one", XK_d), snappedClient(desktop, "two", XK_f),
                  snappedClient(desktop, "three", XK_g)};
    std::optional<Box> f[3];
    ASSERT_TRUE(Desktop::waitUntil([&] {
        for (int i = 0; i < 3; ++i) f[i] = desktop.frame(w[i]);
        return f[0] && f[1] && f[2] && f[0]->x == 0 && f[2]->x + f[2]->width == 1440 &&
               f[1]->x > f[0]->x + f[0]->width && f[1]->x + f[1]->width < f[2]->x;
    })) << "thirds";
    double edge1 = (f[0]->x + f[0]->width + f[1]->x) / 2;
    double edge2 = (f[1]->x + f[1]->width + f[2]->x) / 2;
    EXPECT_TRUE(dividersAre(desktop, {{edge1 - 8, 0, 16, 900}, {edge2 - 8, 0, 16, 900}}))
        << dividers(desktop).size() << " dividers, the first at "
        << (dividers(desktop).empty() ? Box{} : dividers(desktop)[0]);
}

TEST(Tiling, NoGroupsWithTilingOff) {
    Desktop desktop;
    desktop.writeSettings({{"tilingEnabled", false}});
    desktop.startKelvra();
    Window a = snappedClient(desktop, "left", XK_Left);
    ASSERT_TRUE(near(*desktop.waitForFrame(a, leftHalf), leftHalf));
    Window b = snappedClient(desktop, "right", XK_Right);
    ASSERT_TRUE(near(*desktop.waitForFrame(b, rightHalf), rightHalf));
    EXPECT_FALSE(Desktop::waitUntil([&] { return !dividers(desktop).empty(); }, 500ms));
    resizeThroughWindowManager(desktop, a, std::nullopt, clientWidth(desktop, a) + 200);
    ASSERT_TRUE(desktop.waitForChange(a, leftHalf));
    EXPECT_EQ(desktop.waitForChange(b, rightHalf, 500ms), rightHalf) << "nothing follows";
}

// A terminal-like window only takes widths in steps: the edge follows the width it
// really took, so the neighbour keeps the gap, and nothing keeps moving afterwards.
TEST(Tiling, SizeIncrementsKeepTheGap) {
    Desktop desktop;
    desktop.startKelvra();
    Window term =
        snappedClient(desktop, "term", XK_Left, {"--increments", "7x13", "--base-size", "4x4"});
    Window plain = snappedClient(desktop, "plain", XK_Right);
    ASSERT_TRUE(near(*desktop.waitForFrame(plain, rightHalf), rightHalf));
    ASSERT_TRUE(Desktop::waitUntil([&] { return dividers(desktop).size() == 1; }));

    // The user pulls the right window's left border 100 to the left.
    Box before = *desktop.frame(term);
    resizeThroughWindowManager(desktop, plain, 724 - 100, clientWidth(desktop, plain) + 100);
    auto moved = desktop.waitForChange(term, before);
    ASSERT_TRUE(moved);
    // It settles (an oscillation never would): both frames stay put for half a second.
    Box t, p;
    ASSERT_TRUE(Desktop::waitUntil(
        [&] {
            t = *desktop.frame(term);
            p = *desktop.frame(plain);
            return *desktop.waitForChange(term, t, 500ms) == t &&
                   *desktop.waitForChange(plain, p, 500ms) == p;
        },
        6s))
        << "still moving: term " << t << " plain " << p;
    EXPECT_LE(std::abs(p.x - (t.x + t.width) - 8), 1)
        << "gap " << p.x - (t.x + t.width) << " term " << t << " plain " << p;
    EXPECT_LT(t.width, before.width);
}

}  // namespace
}  // namespace kelvra::e2e
