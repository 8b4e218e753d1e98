// Shortcuts that the window manager already holds are told, once, and the others work
// (but never on the program's own windows).
#include <X11/keysym.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

TEST(TakenShortcuts, OpenboxStockBindingsAreToldOnceAndTheOtherShortcutsWork) {
    // openbox's stock configuration switches desktops with Ctrl+Alt+arrows.
    Desktop desktop({.stockWindowManagerConfig = true});
    desktop.startKelvra();
    auto alerts = [&] {
        std::vector<Window> found;
        for (const auto& own : desktop.kelvraWindows())
            if (desktop.findWindow("Kelvra") == own.window) found.push_back(own.window);
        return found;
    };
    ASSERT_TRUE(Desktop::waitUntil([&] { return !alerts().empty(); }, 10s))
        << "no alert about the taken shortcuts";
    EXPECT_TRUE(desktop.kelvraSaid("Ctrl+Alt+←"));
    EXPECT_TRUE(desktop.kelvraSaid("Ctrl+Alt+→"));

    // The program's own window is never moved: once a press on an ordinary window has
    // been handled, so has the one before it.
    Window w = desktop.startTestClient({"taken"});
    const Window alert = alerts().front();
    const auto alertFrame = desktop.frame(alert);
    desktop.activate(alert);
    desktop.pressShortcut(XK_u);
    desktop.activate(w);
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_Return, zone::maximized));
    EXPECT_EQ(desktop.frame(alert), alertFrame);
    EXPECT_TRUE(desktop.pressAndExpect(w, XK_d, zone::leftThird));
    EXPECT_EQ(alerts().size(), 1u) << "still the one alert";
    EXPECT_TRUE(desktop.kelvraRunning());
}

}  // namespace
}  // namespace kelvra::e2e
