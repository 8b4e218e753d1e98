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
    L10n l10n;
    EXPECT_EQ(displayName(ZoneID::leftHalf, l10n), "Left half");
    EXPECT_EQ(label(SnapAction::snapLeftHalf, l10n), "Snap to Left half");
    EXPECT_EQ(label(SnapAction::nextDisplay, l10n), "Move to next display");
}

}  // namespace
}  // namespace kelvra
