// Shortcuts that the window manager already holds are told, once, and the others work.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

TEST(TakenShortcuts, OpenboxStockBindingsAreToldOnceAndTheOtherShortcutsWork) {
    // openbox's stock configuration switches desktops with Ctrl+Alt+arrows.
    DesktopOptions options;
    options.stockWindowManagerConfig = true;
    Desktop desktop(options);
    desktop.startKelvra();
    auto alertWindows = [&] {
        std::vector<Window> alerts;
        for (Window w : desktop.windowsOfProcess(desktop.kelvraPid())) {
            if (desktop.findWindow("Kelvra") == w) alerts.push_back(w);
        }
        return alerts;
    };
    ASSERT_TRUE(Desktop::waitUntil([&] { return !alertWindows().empty(); }, 10s))
        << "no alert about the taken shortcuts:\n"
        << desktop.kelvraLog();
    const std::string log = desktop.kelvraLog();
    EXPECT_NE(log.find("Ctrl+Alt+←"), std::string::npos) << log;
    EXPECT_NE(log.find("Ctrl+Alt+→"), std::string::npos) << log;

    Window w =
        desktop.startTestClient({.title = "taken", .arguments = {"--geometry", "400x300+200+150"}});
    desktop.activate(w);
    const Box maximized{0, 0, 1440, 900};
    desktop.pressShortcut(XK_Return);
    auto got = desktop.waitForFrame(w, maximized);
    ASSERT_TRUE(got);
    EXPECT_PRED3(near, *got, maximized, 1.0);
    const Box leftThird{0, 0, 476, 900};
    desktop.pressShortcut(XK_d);
    got = desktop.waitForFrame(w, leftThird);
    ASSERT_TRUE(got);
    EXPECT_PRED3(near, *got, leftThird, 1.0);

    // Still the one alert.
    EXPECT_EQ(alertWindows().size(), 1u);
    EXPECT_TRUE(desktop.kelvraRunning());
}

}  // namespace
}  // namespace kelvra::e2e
