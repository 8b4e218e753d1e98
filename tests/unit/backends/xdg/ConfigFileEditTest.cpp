#include <gtest/gtest.h>

#include "backends/xdg/ConfigFileEdit.h"

namespace kelvra::xdg {
namespace {

TEST(ConfigFileEdit, SetsAKeyInItsGroupAndLeavesEverythingElseAlone) {
    const std::string kwinrc =
        "# mine\n[Windows]\nElectricBorderTiling=false\n\n[Plugins]\nfooEnabled=true\n"
        "kelvra-bridgeEnabled = false\n\n[Tabbox]\nkelvra-bridgeEnabled=x\n";
    EXPECT_EQ(withConfigKey(kwinrc, "Plugins", "kelvra-bridgeEnabled", "true"),
              "# mine\n[Windows]\nElectricBorderTiling=false\n\n[Plugins]\nfooEnabled=true\n"
              "kelvra-bridgeEnabled=true\n\n[Tabbox]\nkelvra-bridgeEnabled=x\n");
    // Removing it.
    EXPECT_EQ(withConfigKey(kwinrc, "Plugins", "kelvra-bridgeEnabled", ""),
              "# mine\n[Windows]\nElectricBorderTiling=false\n\n[Plugins]\nfooEnabled=true\n"
              "\n[Tabbox]\nkelvra-bridgeEnabled=x\n");
}

TEST(ConfigFileEdit, AddsTheKeyAtTheEndOfItsGroupOrTheGroupAtTheEndOfTheFile) {
    EXPECT_EQ(withConfigKey("[Plugins]\na=1\n\n[Other]\nb=2", "Plugins", "k", "v"),
              "[Plugins]\na=1\nk=v\n\n[Other]\nb=2\n");
    EXPECT_EQ(withConfigKey("[Other]\nb=2\n", "Plugins", "k", "v"),
              "[Other]\nb=2\n\n[Plugins]\nk=v\n");
    EXPECT_EQ(withConfigKey("", "Plugins", "k", "v"), "[Plugins]\nk=v\n");
    EXPECT_EQ(withConfigKey("[Plugins]\nk[de]=x\n", "Plugins", "k", "v"),
              "[Plugins]\nk[de]=x\nk=v\n");
}

TEST(ConfigFileEdit, ReadsAKeyOfItsGroupOnly) {
    const std::string kwinrc =
        "[Windows]\nElectricBorderTiling = false \nk[de]=x\n[Other]\nElectricBorderMaximize=true\n";
    EXPECT_EQ(configKey(kwinrc, "Windows", "ElectricBorderTiling"), "false");
    EXPECT_EQ(configKey(kwinrc, "Windows", "ElectricBorderMaximize"), std::nullopt);
    EXPECT_EQ(configKey(kwinrc, "Windows", "k"), std::nullopt);
    EXPECT_EQ(configKey(kwinrc, "Other", "ElectricBorderMaximize"), "true");
}

}  // namespace
}  // namespace kelvra::xdg
