#include "backends/x11/pure/WindowKind.h"

#include <gtest/gtest.h>

using namespace kelvra::x11;

TEST(WindowKind, TheFirstKnownTypeDecides) {
    using kelvra::port::WindowKind;
    EXPECT_EQ(windowKindFor({}, false), WindowKind::standard);
    EXPECT_EQ(windowKindFor({}, true), WindowKind::dialog);
    EXPECT_EQ(windowKindFor({"_NET_WM_WINDOW_TYPE_NORMAL"}, true), WindowKind::standard);
    EXPECT_EQ(windowKindFor({"_NET_WM_WINDOW_TYPE_DIALOG"}, false), WindowKind::dialog);
    EXPECT_EQ(windowKindFor({"_NET_WM_WINDOW_TYPE_TOOLBAR"}, false), WindowKind::floating);
    EXPECT_EQ(windowKindFor({"_NET_WM_WINDOW_TYPE_SPLASH"}, false), WindowKind::other);
    // A private type first, then the standard one it falls back to.
    EXPECT_EQ(windowKindFor({"_EXAMPLE_NET_WM_WINDOW_TYPE_OVERRIDE", "_NET_WM_WINDOW_TYPE_DIALOG"},
                            false),
              WindowKind::dialog);
    // Only unknown types: judged as if untyped.
    EXPECT_EQ(windowKindFor({"_EXAMPLE_TYPE"}, true), WindowKind::dialog);
}

TEST(WindowKind, TaskbarWindowsAreStandardAndNotSkipped) {
    EXPECT_TRUE(isTaskbarWindow({}, false, false));
    EXPECT_FALSE(isTaskbarWindow({}, false, true));
    EXPECT_FALSE(isTaskbarWindow({"_NET_WM_WINDOW_TYPE_UTILITY"}, false, false));
    EXPECT_FALSE(isTaskbarWindow({}, true, false));
}
