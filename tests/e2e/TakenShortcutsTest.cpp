// Shortcuts that the window manager already holds are told, once, and the others work
// (but never on the program's own windows).
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
    // The program's own window is never moved: once a press on an ordinary window has
    // been handled, so has the one before it.
    const Window alert = alertWindows().front();
    const auto alertFrame = desktop.frame(alert);
    desktop.activate(alert);
    desktop.pressShortcut(XK_u);
    desktop.activate(w);
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_Return, {0, 0, 1440, 900}));
    EXPECT_EQ(desktop.frame(alert), alertFrame);
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_d, {0, 0, 476, 900}));
    // Still the one alert.
    EXPECT_EQ(alertWindows().size(), 1u);
    EXPECT_TRUE(desktop.kelvraRunning());
}

}  // namespace
}  // namespace kelvra::e2e
