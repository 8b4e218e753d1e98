#include <gtest/gtest.h>

#include "backends/sim/SimDesktop.h"
#include "l10n/DisplayNames.h"
#include "l10n/L10n.h"

namespace kelvra {
namespace {

// An action's label names its zone.
TEST(DisplayNames, ActionLabelsNameTheirZones) {
    sim::SimDesktop desktop;
    desktop.install();
    L10n::resetSharedForTesting();
    EXPECT_EQ(displayName(ZoneID::leftHalf), "Left half");
    EXPECT_EQ(label(SnapAction::snapLeftHalf), "Snap to Left half");
    EXPECT_EQ(label(SnapAction::nextDisplay), "Move to next display");
    L10n::resetSharedForTesting();
}

}  // namespace
}  // namespace kelvra
