#include <gtest/gtest.h>

#include "TempConfigHome.h"
#include "backends/xdg/XdgAutostart.h"

namespace kelvra {
namespace {

using testing::readFile;
using testing::TempConfigHome;
using xdg::XdgAutostart;

TEST(XdgAutostart, RegisterWritesAnEntryForTheRunningProgramAndUnregisterRemovesIt) {
    TempConfigHome home;
    XdgAutostart autostart;
    EXPECT_EQ(autostart.entryFile(), home.root() / "autostart" / "kelvra.desktop");
    std::string error;
    ASSERT_TRUE(autostart.registerMainApp(error)) << error;
    auto text = readFile(autostart.entryFile());
    auto exe = std::filesystem::read_symlink("/proc/self/exe").string();
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("Type=Application\n"), std::string::npos);
    EXPECT_NE(text.find("Exec=" + exe + "\n"), std::string::npos) << text;

    ASSERT_TRUE(autostart.unregisterMainApp(error)) << error;
    EXPECT_FALSE(std::filesystem::exists(autostart.entryFile()));
    EXPECT_TRUE(autostart.unregisterMainApp(error)) << "removing an absent entry is no failure";
}

TEST(XdgAutostart, ExecQuotesAwkwardPaths) {
    std::string text, error;
    ASSERT_TRUE(XdgAutostart::entryText("/opt/my apps/100%/kel\"vra", text, error));
    EXPECT_NE(text.find(R"(Exec="/opt/my apps/100%%/kel\\"vra")"), std::string::npos) << text;
    EXPECT_FALSE(XdgAutostart::entryText("/opt/a\nb", text, error));
    EXPECT_FALSE(error.empty());
}

TEST(XdgAutostart, FailuresComeWithAReason) {
    TempConfigHome home;
    std::string error;
    XdgAutostart missingProgram(home.root() / "autostart" / "kelvra.desktop",
                                home.root() / "no-such-program");
    EXPECT_FALSE(missingProgram.registerMainApp(error));
    EXPECT_NE(error.find("no-such-program"), std::string::npos);

    // The autostart "folder" is a file: nothing can be written into it.
    testing::writeFile(home.root() / "blocked", "x");
    XdgAutostart blocked(home.root() / "blocked" / "kelvra.desktop", "/proc/self/exe");
    error.clear();
    EXPECT_FALSE(blocked.registerMainApp(error));
    EXPECT_NE(error.find("blocked"), std::string::npos) << error;
}

}  // namespace
}  // namespace kelvra
