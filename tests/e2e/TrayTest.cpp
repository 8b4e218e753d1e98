// The way in without a tray (the tray's icon and menu are tested in ArrangeTest).
#include "Harness.h"

namespace kelvra::e2e {
namespace {

TEST(Tray, WithoutATrayTheProgramRunsAndALaterStartOpensItsSettings) {
    Desktop desktop;
    desktop.startKelvra();
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.kelvraSaid("no system tray"); }));
    EXPECT_EQ(desktop.runAnotherKelvra(), 0);
    EXPECT_TRUE(Desktop::waitUntil([&] { return desktop.settingsWindow().has_value(); }));
    EXPECT_TRUE(desktop.kelvraRunning());
}

}  // namespace
}  // namespace kelvra::e2e
