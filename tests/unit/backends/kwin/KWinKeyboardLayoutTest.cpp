#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "backends/kwin/KWinKeyboardLayout.h"

namespace kelvra::kwin {
namespace {

// Plasma's keyboard settings name the layouts; without KWin's keyboard service on the
// bus the first one counts as active.
TEST(KWinKeyboardLayout, TranslatesKeyPositionsInThePlasmaLayout) {
    auto dir = std::filesystem::temp_directory_path() / "kelvra-kxkbrc-test";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "kxkbrc") << "[Layout]\nLayoutList=de,us\nVariantList=nodeadkeys,\n";
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);

    KWinKeyboardLayout layout;
    EXPECT_EQ(layout.translate(16), "z") << "the US Y position types Z in German";
    EXPECT_EQ(layout.translate(0), "a");
    EXPECT_EQ(layout.translate(18), "1");
    EXPECT_FALSE(layout.translate(36)) << "Return types nothing to show";
    EXPECT_FALSE(layout.translate(123)) << "nor does an arrow";
    EXPECT_FALSE(layout.translate(999));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kelvra::kwin
