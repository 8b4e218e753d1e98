// Snap assist: after a snap, a panel of cards over the empty rest of the
// screen offers the other windows; a click on a card places that window, and Escape or
// a click elsewhere closes the panel without moving anything.
#include <algorithm>

#include "Harness.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <string>

namespace kelvra::e2e {
namespace {

TEST(Assist, CardsOverTheEmptyHalfPlaceTheClickedWindowAndEscapeClosesThem) {
    Desktop desktop;
    desktop.writeSettings({{"snapAssistEnabled", true}});
    desktop.startKelvra();
    // Started in this order, the windows' applications are known in it: the cards too.
    Window a = desktop.startTestClient({"window A"});
    Window b = desktop.startTestClient(
        {"window B", {"--geometry", "300x200+100+500", "--icon-color", "d02020"}});
    Window c = desktop.startTestClient({"window C", {"--geometry", "300x200+500+500"}});
    auto waitForPanel = [&](const Box& zone) {
        std::optional<OwnWindow> panel;
        Desktop::waitUntil([&] { return (panel = desktop.ownWindowNear(zone)).has_value(); });
        return panel;
    };
    auto panelGone = [&](const Box& zone) {
        return Desktop::waitUntil([&] { return !desktop.ownWindowNear(zone); });
    };

    desktop.activate(a);
    ASSERT_TRUE(desktop.pressAndExpect(a, XK_Left, zone::leftHalf));
    auto panel = waitForPanel(zone::rightHalf);
    ASSERT_TRUE(panel) << "no card panel over the right half";
    EXPECT_TRUE(panel->overrideRedirect);
    auto clients = desktop.property(desktop.root(), "_NET_CLIENT_LIST");
    EXPECT_EQ(std::count(clients.begin(), clients.end(), long(panel->window)), 0)
        << "not in any task bar";
    EXPECT_EQ(desktop.activeWindow(), a) << "the user's window stays the active one";

    // A window moving beneath leaves the panel where it is.
    Box beforeC = desktop.frame(c).value();
    desktop.tellWindowManager(c, "_NET_MOVERESIZE_WINDOW",
                              {(2 << 12) | (1 << 8) | (1 << 9), 900, 400, 0, 0});
    desktop.waitForChange(c, beforeC);
    EXPECT_TRUE(desktop.ownWindowNear(zone::rightHalf));

    // The first card is B's, with its own icon (48 pixels, 12 below the card's top) and
    // no icon for C, whose application names none: its title's first letter instead.
    double cardWidth = (panel->box.width - 32 - 10 - 20) / 3;
    auto pixel = [&](double x, double y) {
        XImage* image =
            XGetImage(desktop.display(), desktop.root(), int(x), int(y), 1, 1, AllPlanes, ZPixmap);
        unsigned long value = image ? XGetPixel(image, 0, 0) : 0;
        if (image) XDestroyImage(image);
        return value & 0xffffff;
    };
    double iconY = panel->box.y + 56 + 12 + 24;
    EXPECT_TRUE(Desktop::waitUntil([&] {
        return pixel(panel->box.x + 16 + cardWidth / 2, iconY) == 0xd02020;
    })) << std::hex
        << pixel(panel->box.x + 16 + cardWidth / 2, iconY);
    EXPECT_NE(pixel(panel->box.x + 16 + cardWidth * 1.5 + 10, iconY), 0xd02020u);

    // The first card (B's): 16 of padding, a header of 30 and a gap of 10 above it; three
    // columns share the width left of the scroll bar's room.
    desktop.click({int(panel->box.x + 16 + cardWidth / 2), int(panel->box.y + 56 + 40)});
    EXPECT_TRUE(desktop.reaches(b, zone::rightHalf));
    EXPECT_TRUE(panelGone(zone::rightHalf)) << "the only zone is filled";
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.activeWindow() == b; }));

    // Top half for C: the bottom half is offered (A and B each cover only half of it).
    desktop.activate(c);
    ASSERT_TRUE(desktop.pressAndExpect(c, XK_Up, zone::topHalf));
    ASSERT_TRUE(waitForPanel(zone::bottomHalf));
    Box frameA = desktop.frame(a).value(), frameB = desktop.frame(b).value();
    desktop.pressKey(XK_Escape);
    EXPECT_TRUE(panelGone(zone::bottomHalf));
    EXPECT_EQ(desktop.waitForChange(a, frameA, 300ms), frameA);
    EXPECT_EQ(desktop.frame(b), frameB);
    EXPECT_EQ(desktop.frame(c), zone::topHalf);

    // Bottom half for C: the top half is offered, and a click outside the panel closes it
    // the same way.
    ASSERT_TRUE(desktop.pressAndExpect(c, XK_Down, zone::bottomHalf));
    ASSERT_TRUE(waitForPanel(zone::topHalf));
    desktop.click({700, 700});  // on C
    EXPECT_TRUE(panelGone(zone::topHalf));
    EXPECT_EQ(desktop.frame(a), frameA);
    EXPECT_EQ(desktop.frame(b), frameB);
}

// More windows than the zone holds: the cards keep their size and scroll, and a card
// scrolled into view places its window like any other.
TEST(Assist, ManyWindowsScrollAndStayUsable) {
    Desktop desktop;
    desktop.writeSettings({{"snapAssistEnabled", true}});
    desktop.startKelvra();
    Window a = desktop.startTestClient({"window A", {"--geometry", "200x150+300+500"}});
    std::vector<Window> others;
    for (int i = 1; i <= 11; ++i) {
        std::string title =
            "a window with a long title that no card can hold, number " + std::to_string(i);
        others.push_back(desktop.startTestClient(
            {title, {"--geometry", "200x150+" + std::to_string(40 * i) + "+500"}}));
    }
    desktop.activate(a);
    ASSERT_TRUE(desktop.pressAndExpect(a, XK_u, zone::topLeft));
    const Box topRight = zone::topRight;
    std::optional<OwnWindow> panel;
    ASSERT_TRUE(
        Desktop::waitUntil([&] { return (panel = desktop.ownWindowNear(topRight)).has_value(); }));
    // Three rows of three show (a header of 56 above them, 16 below): 11 cards need a
    // fourth row, 104 pixels further down. Two turns of the wheel scroll to the end.
    Display* d = desktop.display();
    XTestFakeMotionEvent(d, -1, int(panel->box.x + 300), int(panel->box.y + 200), CurrentTime);
    for (int turn = 0; turn < 2; ++turn) {
        XTestFakeButtonEvent(d, 5, True, CurrentTime);
        XTestFakeButtonEvent(d, 5, False, CurrentTime);
    }
    XSync(d, False);  // the server hands the wheel to the panel before the click below
    // The last card (the eleventh window's): fourth row, second column, now in view.
    double cardWidth = (panel->box.width - 32 - 10 - 20) / 3;
    double top = 56 + 3 * (112 + 10) - 104;
    desktop.click(
        {int(panel->box.x + 16 + cardWidth + 10 + cardWidth / 2), int(panel->box.y + top + 56)});
    EXPECT_TRUE(desktop.reaches(others.back(), topRight));
    // The offer moves on to the bottom-left quarter.
    EXPECT_TRUE(
        Desktop::waitUntil([&] { return desktop.ownWindowNear(zone::bottomLeft).has_value(); }));
}

}  // namespace
}  // namespace kelvra::e2e
