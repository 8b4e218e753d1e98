// Tile groups under a window manager: windows snapped side by side follow each other's resizes,
// and a divider of Kelvra's own over the shared edge moves it when dragged.
#include <X11/keysym.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

using zone::leftHalf;
using zone::maximized;
using zone::rightHalf;

class Tiling : public ::testing::Test {
  protected:
    void SetUp() override { desktop.startKelvra(); }

    // Kelvra's mapped override-redirect windows one edge thick: its dividers.
    std::vector<Box> dividers() {
        std::vector<Box> found;
        for (const auto& own : desktop.kelvraWindows())
            if (own.overrideRedirect && (own.box.width == 16 || own.box.height == 16))
                found.push_back(own.box);
        return found;
    }
    bool dividersAre(const std::vector<Box>& expected) {
        return Desktop::waitUntil([&] {
            auto seen = dividers();
            return seen.size() == expected.size() &&
                   std::all_of(expected.begin(), expected.end(), [&](const Box& e) {
                       return std::any_of(seen.begin(), seen.end(),
                                          [&](const Box& s) { return near(s, e); });
                   });
        });
    }
    // Resizes a window as the user does through the window manager (its border, or a
    // pager): a new client width, and x when given.
    void resize(Window w, std::optional<int> clientX, int widthChange) {
        XWindowAttributes a;
        XGetWindowAttributes(desktop.display(), w, &a);
        desktop.tellWindowManager(
            w, "_NET_MOVERESIZE_WINDOW",
            {NorthWestGravity | (1 << 10) | (2 << 12) | (clientX ? (1 << 8) : 0),
             clientX.value_or(0), 0, a.width + widthChange});
    }
    Window snappedClient(const std::string& title, unsigned long keysym,
                         std::vector<std::string> arguments = {}) {
        Window w = desktop.startActiveClient({title, std::move(arguments)});
        desktop.pressShortcut(keysym);
        return w;
    }

    // A full-height strip of the usable area.
    static Box column(double x, double width) { return {x, maximized.y, width, maximized.height}; }

    Desktop desktop;
};

TEST_F(Tiling, HalvesFollowEachOtherAndTheirDivider) {
    if (!desktop.hasWindowManager()) GTEST_SKIP() << "no window manager to resize through";
    Window a = snappedClient("left", XK_Left);
    ASSERT_TRUE(desktop.reaches(a, leftHalf));
    Window b = snappedClient("right", XK_Right);
    ASSERT_TRUE(desktop.reaches(b, rightHalf));
    ASSERT_TRUE(dividersAre({column(712, 16)})) << "one divider over the gap";

    // The user widens the left window by 200: the right one gives way, gap kept.
    resize(a, std::nullopt, 200);
    EXPECT_TRUE(desktop.reaches(b, column(924, 516)));
    EXPECT_TRUE(desktop.reaches(a, column(0, 916)));
    EXPECT_TRUE(dividersAre({column(912, 16)}));

    // Dragging the divider moves both sides, and never takes the focus.
    desktop.pressButton({920, 450});
    desktop.moveButton({600, 450}, 12);
    desktop.releaseButton();
    EXPECT_TRUE(desktop.reaches(a, column(0, 596)));
    EXPECT_TRUE(desktop.reaches(b, column(604, 836)));
    EXPECT_TRUE(dividersAre({column(592, 16)}));
    auto active = desktop.activeWindow();
    EXPECT_TRUE(active == a || active == b);

    // A double click puts the split back to 50 : 50.
    desktop.click({600, 450});
    desktop.click({600, 450});
    EXPECT_TRUE(desktop.reaches(a, leftHalf));
    EXPECT_TRUE(desktop.reaches(b, rightHalf));

    desktop.closeWindow(b);
    EXPECT_TRUE(dividersAre({})) << "the divider goes with the pair";
}

// A divider stays with its group in the stacking order: just above the group's topmost
// window, so a window put over the group covers it too; with another application in
// front it is hidden, and the group's return brings it back.
TEST_F(Tiling, ADividerStaysWithItsGroupInTheStackingOrder) {
    if (!desktop.hasWindowManager()) GTEST_SKIP() << "no window manager to stack through";
    Display* d = desktop.display();
    // The root's children, bottom to top, and the one holding a window.
    auto order = [&] {
        Window root, parent, *children = nullptr;
        unsigned int count = 0;
        XQueryTree(d, desktop.root(), &root, &parent, &children, &count);
        std::vector<Window> list(children, children + count);
        if (children) XFree(children);
        return list;
    };
    auto at = [&](Window w) {
        for (Window root, parent = 0, *children = nullptr;; w = parent) {
            unsigned int count = 0;
            if (!XQueryTree(d, w, &root, &parent, &children, &count)) return -1L;
            if (children) XFree(children);
            if (parent == root) break;
        }
        const auto list = order();
        return long(std::find(list.begin(), list.end(), w) - list.begin());
    };
    auto divider = [&]() -> Window {
        for (const auto& own : desktop.kelvraWindows())
            if (own.overrideRedirect && own.box.width == 16) return own.window;
        return 0;
    };
    Window a = snappedClient("left", XK_Left);
    ASSERT_TRUE(desktop.reaches(a, leftHalf));
    Window b = snappedClient("right", XK_Right);
    ASSERT_TRUE(desktop.reaches(b, rightHalf));
    ASSERT_TRUE(dividersAre({column(712, 16)}));
    EXPECT_TRUE(Desktop::waitUntil([&] { return at(divider()) == at(b) + 1; }))
        << "not just above the group: " << at(divider()) << " over " << at(b);

    const Window other = desktop.startActiveClient({"other", {"--geometry", "600x400+420+250"}});
    EXPECT_TRUE(dividersAre({})) << "shown while another application is in front";
    desktop.activate(a);
    EXPECT_TRUE(dividersAre({column(712, 16)})) << "not back with its group";
    EXPECT_TRUE(Desktop::waitUntil([&] { return at(divider()) == at(a) + 1; }));

    // Raised as a pager raises it (or, where the manager ignores that, as the client
    // asks), the other window covers the group and its divider; a manager that gives
    // it the focus too puts its application in front, which hides the divider.
    desktop.tellWindowManager(other, "_NET_RESTACK_WINDOW", {2, 0, Above});
    XRaiseWindow(d, other);
    XFlush(d);
    EXPECT_TRUE(Desktop::waitUntil([&] {
        const Window shown = divider();
        return at(other) > at(a) &&
               (shown ? at(other) > at(shown) : desktop.activeWindow() == other);
    })) << "the divider stays over the window put over its group: other "
        << at(other) << " divider " << at(divider()) << " a " << at(a);
}

// A terminal-like window only takes sizes in whole character cells: the window manager
// rounds its zone down, the edge follows the width it really took, so the neighbour
// keeps the gap, and nothing keeps moving afterwards.
TEST_F(Tiling, SizeIncrementsKeepTheGap) {
    if (!desktop.hasWindowManager()) GTEST_SKIP() << "no window manager to resize through";
    Window term = snappedClient("term", XK_Left, {"--increments", "7x13", "--base-size", "4x4"});
    Window plain = snappedClient("plain", XK_Right);
    ASSERT_TRUE(desktop.reaches(plain, rightHalf));
    ASSERT_TRUE(Desktop::waitUntil([&] { return dividers().size() == 1; }));
    const Box before = *desktop.frame(term);
    EXPECT_TRUE(before.x == 0 && before.y == maximized.y && before.width <= 716 &&
                before.width > 716 - 30 && before.height <= maximized.height &&
                before.height > maximized.height - 40)
        << before;

    // The user pulls the right window's left border 100 to the left.
    resize(plain, 724 - 100, 100);
    ASSERT_TRUE(desktop.waitForChange(term, before));
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
