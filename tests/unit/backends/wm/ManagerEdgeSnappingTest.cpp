#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "backends/sim/SimDesktop.h"
#include "backends/wm/GSettingsEdgeSnapping.h"
#include "backends/wm/KWinEdgeSnapping.h"
#include "backends/wm/ManagerEdgeSnapping.h"
#include "backends/wm/XfwmEdgeSnapping.h"
#include "unit/backends/xdg/TempConfigHome.h"

namespace kelvra::wm {
namespace {

using testing::readFile;

// No settings service answers: the bus address leads nowhere.
class NoServices : public ::testing::Test {
  protected:
    void SetUp() override { setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1); }
    sim::SimDesktop desktop;
    bool installed = (desktop.install(), true);
    testing::TempConfigHome home;
};

TEST(ManagerEdgeSnapping, EachManagerIsFoundByTheNameItGives) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"KWin", "KWin"},
        {"Xfwm4", "Xfwm4"},
        {"Mutter", "Mutter"},
        {"GNOME Shell", "GNOME Shell"},
        {"Mutter (Muffin)", "Muffin"},
        {"Metacity (Marco)", "Marco"},
    };
    for (const auto& [given, known] : cases) {
        auto snapping = edgeSnappingOf(given);
        ASSERT_TRUE(snapping) << given;
        EXPECT_EQ(snapping->managerName(), known);
    }
    EXPECT_FALSE(edgeSnappingOf("Openbox"));
    EXPECT_FALSE(edgeSnappingOf(""));
}

TEST_F(NoServices, AMissingServiceOrSchemaReadsAsUnknownAndChangesNothing) {
    XfwmEdgeSnapping xfwm;
    EXPECT_EQ(xfwm.isOn(), std::nullopt);
    EXPECT_EQ(xfwm.switchOff(), std::nullopt);
    GSettingsEdgeSnapping muffin("Muffin", "org.kelvra.test.absent", "edge-tiling");
    EXPECT_EQ(muffin.isOn(), std::nullopt);
    EXPECT_EQ(muffin.switchOff(), std::nullopt);
}

TEST_F(NoServices, KwinrcIsSwitchedAndPutBackAsItWasUnlessReadOnly) {
    const auto kwinrc = home.root() / "kwinrc";
    const std::string original = "[Windows]\nElectricBorderMaximize=true\n\n[Other]\nk=v\n";
    std::ofstream(kwinrc) << original;
    KWinEdgeSnapping kwin;
    EXPECT_EQ(kwin.isOn(), true) << "tiling is on while unset";

    chmod(kwinrc.c_str(), 0444);
    EXPECT_EQ(kwin.switchOff(), std::nullopt);
    EXPECT_EQ(readFile(kwinrc), original);

    chmod(kwinrc.c_str(), 0644);
    const auto saved = kwin.switchOff();
    ASSERT_TRUE(saved);
    EXPECT_EQ(kwin.isOn(), false);
    EXPECT_TRUE(kwin.restore(*saved));
    EXPECT_EQ(readFile(kwinrc), original);
}

}  // namespace
}  // namespace kelvra::wm
