#include <gtest/gtest.h>

#include "backends/kwin/KGlobalAccelHotKeys.h"

namespace kelvra::kwin {
namespace {

// The service binds what a key types: a position goes by the active layout's character,
// keys that type nothing by their name, and the classic modifier bits by the toolkit's.
TEST(KGlobalAccelHotKeys, BindsAPositionToWhatItTypesWithTheModifiers) {
    const uint32_t controlOption = 0x1000 | 0x0800;
    const int ctrlAlt = Qt::CTRL | Qt::ALT;
    EXPECT_EQ(KGlobalAccelHotKeys::qtKeyFor(16, controlOption, "z"), ctrlAlt | Qt::Key_Z);
    EXPECT_EQ(KGlobalAccelHotKeys::qtKeyFor(16, controlOption, std::nullopt), ctrlAlt | Qt::Key_Y);
    EXPECT_EQ(KGlobalAccelHotKeys::qtKeyFor(123, controlOption, std::nullopt),
              ctrlAlt | Qt::Key_Left);
    EXPECT_EQ(KGlobalAccelHotKeys::qtKeyFor(36, 0x0100 | 0x0200, std::nullopt),
              Qt::META | Qt::SHIFT | Qt::Key_Return);
    EXPECT_EQ(KGlobalAccelHotKeys::qtKeyFor(41, controlOption, "ö"), ctrlAlt | Qt::Key_Odiaeresis);
    // A character beyond Latin-1 keeps the key's US name.
    EXPECT_EQ(KGlobalAccelHotKeys::qtKeyFor(41, controlOption, "ж"), ctrlAlt | Qt::Key_Semicolon);
    EXPECT_FALSE(KGlobalAccelHotKeys::qtKeyFor(10, controlOption, std::nullopt));
}

}  // namespace
}  // namespace kelvra::kwin
