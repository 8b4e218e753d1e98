#include <gtest/gtest.h>

#include "app/ProcessEntry.h"

namespace kelvra::test {
namespace {

TEST(CommandLine, OptionsAreAnsweredAndUnknownOnesAreUsageErrors) {
    struct Case {
        std::vector<std::string> arguments;
        bool run;
        int exitCode;
        std::string outHas;
        std::string errorHas;
    };
    const std::vector<Case> cases = {
        {{}, true, 0, "", ""},
        {{"kelvra://auth/callback?code=abc"}, true, 0, "", ""},
        {{"--help"}, false, 0, "Usage: kelvra", ""},
        {{"kelvra:x", "--version"}, false, 0, "Kelvra 1.2.3\n", ""},
        // The first option decides.
        {{"--version", "--help"}, false, 0, "Kelvra 1.2.3", ""},
        {{"--bogus"}, false, 2, "", "unknown option '--bogus'"},
        {{"-x", "--help"}, false, 2, "", "kelvra --help"},
        // After "--" everything is an argument for the instance, dashes or not.
        {{"--", "--help", "-x"}, true, 0, "", ""},
        // A lone dash is no option.
        {{"-"}, true, 0, "", ""},
        // The settings window, on a tab or as it was, opens in the running instance.
        {{"--settings"}, true, 0, "", ""},
        {{"--settings=shortcuts"}, true, 0, "", ""},
        {{"--settingsx"}, false, 2, "", "unknown option '--settingsx'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        auto answer = ProcessEntry::readCommandLine(c.arguments, "1.2.3");
        EXPECT_EQ(answer.run, c.run);
        EXPECT_EQ(answer.exitCode, c.exitCode);
        EXPECT_NE(answer.out.find(c.outHas), std::string::npos) << answer.out;
        EXPECT_NE(answer.error.find(c.errorHas), std::string::npos) << answer.error;
        EXPECT_EQ(answer.out.empty(), c.outHas.empty()) << answer.out;
        EXPECT_EQ(answer.error.empty(), c.errorHas.empty()) << answer.error;
        EXPECT_FALSE(answer.removeDesktopBridge);
    }
    // Removing the desktop bridge is done instead of starting.
    auto remove = ProcessEntry::readCommandLine({"--remove-desktop-bridge"}, "1.2.3");
    EXPECT_TRUE(remove.removeDesktopBridge);
    EXPECT_FALSE(remove.run);
}

}  // namespace
}  // namespace kelvra::test
