// The tray icon and its menu on a real tray, and the way in without one.
#include <X11/keysym.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

TEST(Tray, TheIconSitsInTheTrayAndItsMenuSnapsTheFrontmostWindow) {
    Desktop desktop;
    desktop.startTray();
    desktop.startKelvra();
    ASSERT_TRUE(Desktop::waitUntil([&] { return desktop.trayIcon().has_value(); }))
        << "no icon in the tray";
    EXPECT_FALSE(desktop.kelvraSaid("no system tray"));

    Window w = desktop.startTestClient({"tray client"});
    desktop.activate(w);
    ASSERT_TRUE(desktop.openTrayMenu()) << "the menu did not open";
    EXPECT_EQ(desktop.activeWindow(), w) << "opening the menu took the active window";
    desktop.pressKey(XK_Down);  // its first item, "Left half"
    desktop.pressKey(XK_Return);
    EXPECT_TRUE(desktop.reaches(w, zone::leftHalf));
}

TEST(Tray, WithoutATrayTheProgramRunsAndALaterStartOpensItsSettings) {
    Desktop desktop;
    desktop.startKelvra();
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraSaid("no system tray"); }));
    EXPECT_EQ(desktop.runAnotherKelvra(), 0);
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraSaid("settings window"); }));
    EXPECT_TRUE(desktop.kelvraRunning());
}

}  // namespace
}  // namespace kelvra::e2e
