#include "backends/x11/pure/WindowKind.h"

#include <gtest/gtest.h>

using namespace kelvra::x11;

TEST(WindowKind, SubroleFollowsTheFirstKnownType) {
    EXPECT_EQ(subroleFor({}, false), "AXStandardWindow");
    EXPECT_EQ(subroleFor({}, true), "AXDialog");
    EXPECT_EQ(subroleFor({"_NET_WM_WINDOW_TYPE_NORMAL"}, true), "AXStandardWindow");
    EXPECT_EQ(subroleFor({"_NET_WM_WINDOW_TYPE_DIALOG"}, false), "AXDialog");
    EXPECT_EQ(subroleFor({"_NET_WM_WINDOW_TYPE_UTILITY"}, false), "AXFloatingWindow");
    EXPECT_EQ(subroleFor({"_NET_WM_WINDOW_TYPE_TOOLBAR"}, false), "AXFloatingWindow");
    EXPECT_EQ(subroleFor({"_NET_WM_WINDOW_TYPE_SPLASH"}, false), "AXSystemDialog");
    // A private type first, then the standard one it falls back to.
    EXPECT_EQ(
        subroleFor({"_EXAMPLE_NET_WM_WINDOW_TYPE_OVERRIDE", "_NET_WM_WINDOW_TYPE_DIALOG"}, false),
        "AXDialog");
    // Only unknown types: judged as if untyped.
    EXPECT_EQ(subroleFor({"_EXAMPLE_TYPE"}, true), "AXDialog");
}

TEST(WindowKind, TaskbarWindowsAreStandardAndNotSkipped) {
    EXPECT_TRUE(isTaskbarWindow({}, false, false));
    EXPECT_FALSE(isTaskbarWindow({}, false, true));
    EXPECT_FALSE(isTaskbarWindow({"_NET_WM_WINDOW_TYPE_UTILITY"}, false, false));
    EXPECT_FALSE(isTaskbarWindow({}, true, false));
}
