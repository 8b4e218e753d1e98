#include "backends/BackendFactory.h"

#include <gtest/gtest.h>

namespace kelvra::backends {
namespace {

TEST(BackendFactory, PicksX11WhereverAnXServerAnswersAndTellsOtherSessionsWhy) {
    EXPECT_EQ(chooseBackend({":0", ""}).name, "X11");
    // XWayland: the onboarding, not the factory, tells what such a session leaves out.
    auto xwayland = chooseBackend({":1", "wayland-0"});
    EXPECT_TRUE(xwayland);
    EXPECT_EQ(xwayland.name, "X11");

    auto wayland = chooseBackend({"", "wayland-0"});
    EXPECT_FALSE(wayland);
    EXPECT_TRUE(wayland.name.empty());
    EXPECT_NE(wayland.refusal.find("does not support Wayland yet"), std::string::npos);

    auto none = chooseBackend({});
    EXPECT_FALSE(none);
    EXPECT_NE(none.refusal.find("no X display"), std::string::npos);
}

}  // namespace
}  // namespace kelvra::backends
