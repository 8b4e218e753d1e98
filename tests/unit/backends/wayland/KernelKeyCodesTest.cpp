#include <gtest/gtest.h>

#include <set>

#include "backends/sim/UsKeyboardLayout.h"
#include "backends/sim/VirtualRunLoop.h"
#include "backends/wayland/BridgeWindowSystem.h"
#include "backends/wayland/KernelKeyCodes.h"

namespace kelvra::wayland {
namespace {

// Every key of a US keyboard that types something has a kernel code, one of its own,
// and the code leads back to it; the toolkit's scan codes are offset by 8.
TEST(KernelKeyCodes, EveryTypingKeyHasOnePositionBothWays) {
    std::set<uint32_t> seen;
    for (const auto& [virtualKey, text] : sim::usKeyboardLayout()) {
        auto kernel = kernelCodeForVirtualKey(virtualKey);
        if (!kernel) continue;  // the keypad: not bound on Wayland yet
        EXPECT_TRUE(seen.insert(*kernel).second) << "two keys at kernel code " << *kernel;
        EXPECT_EQ(virtualKeyForKernelCode(*kernel), virtualKey) << text;
    }
    EXPECT_GE(seen.size(), 48u);
    sim::VirtualRunLoop runLoop;
    bridge::BridgeSession session(runLoop, 1);
    BridgeWindowSystem windows(session);
    EXPECT_EQ(windows.virtualKeyForScanCode(30 + 8), 0) << "A";
    EXPECT_EQ(windows.virtualKeyForScanCode(105 + 8), 123) << "Left";
    EXPECT_FALSE(windows.virtualKeyForScanCode(3));
}

}  // namespace
}  // namespace kelvra::wayland
