#include "backends/xdg/AppEntryMatch.h"

#include <gtest/gtest.h>

using kelvra::xdg::AppEntryKey;
using kelvra::xdg::matchAppEntry;

TEST(AppEntryMatch, PrefersApplicationIdThenStartupClassThenFileName) {
    std::vector<AppEntryKey> entries{{"org.example.Terminal", ""},
                                     {"wrapper", "Example-terminal"},
                                     {"calc", ""},
                                     {"org.example.console", ""}};
    auto id = [&](const std::string& instance, const std::string& cls, const std::string& gtk) {
        int i = matchAppEntry(entries, instance, cls, gtk);
        return i < 0 ? std::string("-") : entries[static_cast<size_t>(i)].id;
    };
    EXPECT_EQ(id("example-terminal", "Example-terminal", "org.example.terminal"),
              "org.example.Terminal");
    EXPECT_EQ(id("example-terminal", "Example-terminal", ""), "wrapper");
    EXPECT_EQ(id("calc", "Calc", ""), "calc");
    EXPECT_EQ(id("console", "console", ""), "org.example.console");
    EXPECT_EQ(id("unknown", "Unknown", ""), "-");
    EXPECT_EQ(id("", "", ""), "-");
    EXPECT_EQ(kelvra::xdg::withoutDesktopSuffix("a.b.desktop"), "a.b");
}
