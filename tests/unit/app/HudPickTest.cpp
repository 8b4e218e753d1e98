#include "DelegateFixture.h"
#include "app/StatusItemController.h"
#include "input/HUDController.h"

namespace kelvra::test {
namespace {

using port::SurfaceKind;

port::KeyEvent key(uint16_t code) {
    port::KeyEvent e;
    e.keyCode = code;
    return e;
}

TEST_F(DelegateTest, TheShowHudShortcutTogglesThePickerWhoseChoiceMovesTheFrontmostWindow) {
    auto& d = launch();
    AppSettings::shared().paused.set(true);  // the picker works while paused
    d.handleShortcut("showHUD");
    auto panel = desktop.surfaces().find(SurfaceKind::hud);
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->visible);
    d.handleShortcut("showHUD");
    EXPECT_FALSE(desktop.surfaces().find(SurfaceKind::hud));
    EXPECT_EQ(frame(), (Rect{100, 100, 600, 400}));

    d.components().statusItem().onShowHUD.emit();
    panel = desktop.surfaces().find(SurfaceKind::hud);
    ASSERT_TRUE(panel);
    desktop.surfaces().sendKey(panel->id, key(124));  // Right
    desktop.surfaces().sendKey(panel->id, key(36));   // Return
    EXPECT_EQ(frame(), (Rect{724, 25, 716, 875}));
    EXPECT_FALSE(d.components().hud().hasVisiblePanel());
}

}  // namespace
}  // namespace kelvra::test
