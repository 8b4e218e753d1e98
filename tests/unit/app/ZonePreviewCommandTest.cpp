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

// A later command moves the preview and restarts its time.
TEST_F(ZonePreviewCommandTest, PreviewsOnTheFrontmostWindowsScreenForAFewSeconds) {
    auto& d = launch();
    const Rect second{1440, 0, 1280, 1024};
    desktop.addScreenTopLeft(second, second);
    desktop.userSetFrame(window, {1600, 100, 600, 400});
    auto& settings = delegate->settings();
    auto expectPreview = [&](ZoneID zone) {
        auto preview = desktop.surfaces().find(SurfaceKind::overlay);
        ASSERT_TRUE(preview);
        EXPECT_TRUE(preview->visible);
        EXPECT_EQ(preview->frame,
                  kelvra::frame(zone, second, settings.windowGap(), settings.screenPadding()));
    };

    d.handleArguments({"--show-zone=leftHalf"});
    desktop.runLoop().advance(1);
    expectPreview(ZoneID::leftHalf);
    d.handleArguments({"--show-zone=rightHalf"});
    desktop.runLoop().advance(ZonePreviewCommand::showDuration - 0.5);
    expectPreview(ZoneID::rightHalf);
    desktop.runLoop().advance(1);
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
