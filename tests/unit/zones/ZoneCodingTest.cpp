#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "geometry/SnapAction.h"
#include "geometry/TopEdgeAction.h"
#include "geometry/ZoneID.h"
#include "l10n/L10n.h"
#include "platform/sim/SimDesktop.h"

namespace kelvra {
namespace {

using nlohmann::json;

TEST(ZoneCoding, RawStringsRoundTripInDeclarationOrder) {
    for (size_t i = 0; i < zoneCount; ++i) {
        ZoneID z = allZoneIDs()[i];
        EXPECT_EQ(static_cast<size_t>(z), i);
        EXPECT_EQ(json(z).get<ZoneID>(), z);
        EXPECT_EQ(zoneFromRaw(rawValue(z)), z);
    }
    for (SnapAction a : allSnapActions()) EXPECT_EQ(json(a).get<SnapAction>(), a);
    for (TopEdgeAction a : allTopEdgeActions()) EXPECT_EQ(json(a).get<TopEdgeAction>(), a);
    EXPECT_EQ(json(ZoneID::bottomRightQuarter), json("bottomRightQuarter"));
    EXPECT_EQ(json(SnapAction::showHUD), json("showHUD"));
    EXPECT_EQ(json(TopEdgeAction::topHalf), json("topHalf"));
}

TEST(ZoneCoding, OnlyExactRawStringsDecode) {
    EXPECT_EQ(json("leftHalf").get<ZoneID>(), ZoneID::leftHalf);
    EXPECT_EQ(zoneFromRaw("LeftHalf"), std::nullopt);
    EXPECT_EQ(zoneFromRaw(""), std::nullopt);
    EXPECT_THROW(json("LeftHalf").get<ZoneID>(), json::exception);
    EXPECT_THROW(json("").get<ZoneID>(), json::exception);
    EXPECT_THROW(json(3).get<ZoneID>(), json::exception);
    EXPECT_THROW(json("snapLeftHalfs").get<SnapAction>(), json::exception);
    EXPECT_THROW(json("Off").get<TopEdgeAction>(), json::exception);
    EXPECT_EQ(snapActionFromRaw("snapTopLeft"), SnapAction::snapTopLeft);
    EXPECT_EQ(topEdgeActionFromRaw("maximize"), TopEdgeAction::maximize);
}

TEST(ZoneCoding, NoActionLeadsToCenterTwoThirds) {
    for (SnapAction a : allSnapActions()) EXPECT_NE(zone(a), ZoneID::centerTwoThirds);
    EXPECT_EQ(zone(SnapAction::snapTopLeft), ZoneID::topLeftQuarter);
    EXPECT_EQ(zone(SnapAction::nextDisplay), std::nullopt);
}

TEST(ZoneCoding, LabelsUseTheLocalizedZoneName) {
    sim::SimDesktop desktop;
    desktop.install();
    L10n::resetSharedForTesting();
    EXPECT_EQ(displayName(ZoneID::topLeftQuarter), "Top-left quarter");
    EXPECT_EQ(label(SnapAction::snapLeftHalf), "Snap to Left half");
    EXPECT_EQ(label(SnapAction::restore), "Restore previous position");
    EXPECT_EQ(label(SnapAction::showHUD), "Show HUD picker");
    EXPECT_EQ(label(SnapAction::nextDisplay), "Move to next display");
    L10n::resetSharedForTesting();
}

}  // namespace
}  // namespace kelvra
