// The tray icon and its menu on a real tray, and the way in without one.
#include "Harness.h"

#include <X11/keysym.h>

namespace kelvra::e2e {
namespace {

TEST(Tray, TheIconSitsInTheTrayAndItsMenuSnapsTheFrontmostWindow) {
    Desktop desktop;
    desktop.startTray();
    desktop.startKelvra();
    std::optional<Window> icon;
    ASSERT_TRUE(Desktop::waitUntil([&] { return (icon = desktop.trayIcon()).has_value(); }))
        << "no icon in the tray";
    EXPECT_EQ(desktop.kelvraLog().find("no system tray"), std::string::npos);

    Window w = desktop.startTestClient(
        {.title = "tray client", .arguments = {"--geometry", "400x300+200+150"}});
    desktop.activate(w);
    // Its first item is "Left half".
    ASSERT_TRUE(desktop.openTrayMenu()) << "the menu did not open";
    EXPECT_EQ(desktop.activeWindow(), w) << "opening the menu took the active window";
    desktop.pressKey(XK_Down);
    desktop.pressKey(XK_Return);
    auto got = desktop.waitForFrame(w, {0, 0, 716, 900});
    ASSERT_TRUE(got);
    EXPECT_TRUE(near(*got, {0, 0, 716, 900})) << *got;
}

TEST(Tray, WithoutATrayTheProgramRunsAndALaterStartOpensItsSettings) {
    Desktop desktop;
    desktop.startKelvra();
    EXPECT_TRUE(Desktop::waitUntil(
        [&] { return desktop.kelvraLog().find("no system tray") != std::string::npos; }));
    EXPECT_EQ(desktop.runAnotherKelvra(), 0);
    EXPECT_TRUE(Desktop::waitUntil([&] {
        return desktop.kelvraLog().find("settings window") != std::string::npos;
    })) << desktop.kelvraLog();
    EXPECT_TRUE(desktop.kelvraRunning());
}

}  // namespace
}  // namespace kelvra::e2e
