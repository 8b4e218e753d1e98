#include "backends/BackendFactory.h"

#include <gtest/gtest.h>

namespace kelvra::backends {
namespace {

TEST(BackendFactory, PicksX11OutsideWaylandSessionsAndTellsOtherSessionsWhy) {
    EXPECT_EQ(chooseBackend({":0", "", "x11"}).name, "X11");
    // A Wayland display without a Wayland session type: X11 still answers for everything.
    EXPECT_EQ(chooseBackend({":1", "wayland-0", ""}).name, "X11");

    auto none = chooseBackend({});
    EXPECT_FALSE(none);
    EXPECT_NE(none.refusal.find("no X display"), std::string::npos);
}

TEST(BackendFactory, AWaylandSessionNeedsKWinOrGnomeShellAndNeverFallsBackToXwayland) {
    auto kwin = chooseBackend({":1", "wayland-0", "wayland", true});
    EXPECT_TRUE(kwin);
    EXPECT_EQ(kwin.name, "KDE Plasma (Wayland)");
    auto gnome = chooseBackend({":1", "wayland-0", "wayland", false, true});
    EXPECT_TRUE(gnome);
    EXPECT_EQ(gnome.name, "GNOME (Wayland)");
    // GNOME Shell on an X11 session is an X11 desktop.
    EXPECT_EQ(chooseBackend({":1", "", "x11", false, true}).name, "X11");

    auto other = chooseBackend({":1", "wayland-0", "wayland", false});
    EXPECT_FALSE(other);
    EXPECT_TRUE(other.name.empty());
    EXPECT_NE(other.refusal.find("neither KWin nor GNOME Shell"), std::string::npos);
}

}  // namespace
}  // namespace kelvra::backends
