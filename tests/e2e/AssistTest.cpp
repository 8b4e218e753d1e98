// Snap assist under openbox: after a snap, a panel of cards over the empty rest of the
// screen offers the other windows; a click on a card places that window, and Escape or
// a click elsewhere closes the panel without moving anything.
#include <algorithm>

#include "Harness.h"

#include <X11/Xutil.h>

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
    auto panelOver = [&](const Box& zone) -> std::optional<OwnWindow> {
        for (const auto& own : desktop.kelvraWindows())
            if (near(own.box, zone)) return own;
        return std::nullopt;
    };
    auto waitForPanel = [&](const Box& zone) {
        std::optional<OwnWindow> panel;
        Desktop::waitUntil([&] { return (panel = panelOver(zone)).has_value(); });
        return panel;
    };
    auto panelGone = [&](const Box& zone) {
        return Desktop::waitUntil([&] { return !panelOver(zone); });
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
    EXPECT_TRUE(panelOver(zone::rightHalf));

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

}  // namespace
}  // namespace kelvra::e2e
