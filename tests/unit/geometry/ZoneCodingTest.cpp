#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "base/ZoneID.h"
#include "geometry/SnapAction.h"
#include "geometry/TopEdgeAction.h"

namespace kelvra {
namespace {

using nlohmann::json;

TEST(ZoneCoding, EveryCaseRoundTripsAndOnlyTheStoredSpellingsDecode) {
    for (ZoneID z : allZoneIDs()) {
        EXPECT_EQ(zoneFromRaw(rawValue(z)), z);
        EXPECT_EQ(json(z).get<ZoneID>(), z);
    }
    for (SnapAction a : allSnapActions()) EXPECT_EQ(json(a).get<SnapAction>(), a);
    for (TopEdgeAction a : allTopEdgeActions()) EXPECT_EQ(json(a).get<TopEdgeAction>(), a);
    // Settings files hold these spellings: renaming a case would lose the user's choice.
    EXPECT_EQ(json("bottomRightQuarter").get<ZoneID>(), ZoneID::bottomRightQuarter);
    EXPECT_EQ(json("showHUD").get<SnapAction>(), SnapAction::showZonePicker);
    EXPECT_EQ(json("topHalf").get<TopEdgeAction>(), TopEdgeAction::topHalf);
    for (const json& bad : {json("LeftHalf"), json(""), json(3)}) {
        EXPECT_THROW(bad.get<ZoneID>(), json::exception) << bad;
    }
    EXPECT_THROW(json("snapLeftHalfs").get<SnapAction>(), json::exception);
    EXPECT_THROW(json("Off").get<TopEdgeAction>(), json::exception);
}

// Centre two-thirds has no action.
TEST(ZoneCoding, ActionsLeadToZonesButNeverToCenterTwoThirds) {
    for (SnapAction a : allSnapActions()) EXPECT_NE(zone(a), ZoneID::centerTwoThirds);
    EXPECT_EQ(zone(SnapAction::snapTopLeft), ZoneID::topLeftQuarter);
    EXPECT_EQ(zone(SnapAction::nextDisplay), std::nullopt);
}

}  // namespace
}  // namespace kelvra
