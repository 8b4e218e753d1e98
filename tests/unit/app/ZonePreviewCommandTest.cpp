#include <gtest/gtest.h>

#include "DelegateFixture.h"
#include "app/ZonePreviewCommand.h"

namespace kelvra::test {
namespace {

using port::SurfaceKind;

TEST(ZonePreviewCommandArguments, TheLastShowZoneArgumentNamesTheZone) {
    sim::SimDesktop desktop;
    desktop.install();
    struct Case {
        std::vector<std::string> arguments;
        std::optional<ZoneID> zone;
    };
    const std::vector<Case> cases = {
        {{}, std::nullopt},
        {{"kelvra:auth?code=1"}, std::nullopt},
        {{"--show-zone=leftHalf"}, ZoneID::leftHalf},
        {{"--show-zone=leftHalf", "kelvra:x", "--show-zone=maximize"}, ZoneID::maximize},
        {{"--show-zone="}, std::nullopt},
        {{"--show-zone=LeftHalf"}, std::nullopt},
        {{"--show-zone", "leftHalf"}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        EXPECT_EQ(ZonePreviewCommand::zoneIn(c.arguments), c.zone);
    }
}

class ZonePreviewCommandTest : public DelegateTest {};

TEST_F(ZonePreviewCommandTest, PreviewsOnTheFrontmostWindowsScreenForAFewSeconds) {
    auto& d = launch();
    desktop.addScreenTopLeft({1440, 0, 1280, 1024}, {1440, 0, 1280, 1024});
    desktop.userSetFrame(window, {1600, 100, 600, 400});

    d.handleArguments({"--show-zone=leftHalf"});
    desktop.runLoop().advance(1);
    auto preview = desktop.surfaces().find(SurfaceKind::overlay);
    ASSERT_TRUE(preview);
    EXPECT_TRUE(preview->visible);
    auto& settings = AppSettings::shared();
    EXPECT_EQ(preview->frame, kelvra::frame(ZoneID::leftHalf, Rect{1440, 0, 1280, 1024},
                                            settings.windowGap(), settings.screenPadding()));

    desktop.runLoop().advance(ZonePreviewCommand::showDuration);
    EXPECT_FALSE(desktop.surfaces().find(SurfaceKind::overlay)->visible);
}

TEST_F(ZonePreviewCommandTest, ALaterCommandMovesThePreviewAndRestartsItsTime) {
    auto& d = launch();
    d.handleArguments({"--show-zone=leftHalf"});
    desktop.runLoop().advance(2);
    d.handleArguments({"--show-zone=rightHalf"});
    desktop.runLoop().advance(2);
    auto preview = desktop.surfaces().find(SurfaceKind::overlay);
    EXPECT_TRUE(preview->visible);
    EXPECT_GT(preview->frame.x, 700);
    desktop.runLoop().advance(1.5);
    EXPECT_FALSE(desktop.surfaces().find(SurfaceKind::overlay)->visible);
}

TEST_F(ZonePreviewCommandTest, UnknownZoneShowsNothingAndSaysSo) {
    auto& d = launch();
    d.handleArguments({"--show-zone=sideways"});
    desktop.runLoop().advance(1);
    EXPECT_EQ(desktop.surfaces().count(SurfaceKind::overlay), 0u);
    EXPECT_EQ(desktop.logLines().back(), "Kelvra: no zone is called \"sideways\"");
}

}  // namespace
}  // namespace kelvra::test
