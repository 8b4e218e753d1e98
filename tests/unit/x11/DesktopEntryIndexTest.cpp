#include "platform/x11/pure/DesktopEntryIndex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using kelvra::x11::DesktopEntryIndex;

namespace {

class DesktopEntryIndexTest : public ::testing::Test {
  protected:
    void SetUp() override {
        base_ =
            fs::temp_directory_path() /
            ("kelvra-entries-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base_);
    }
    void TearDown() override { fs::remove_all(base_); }

    std::string dir(const std::string& name) { return (base_ / name).string(); }
    void write(const std::string& dataDir, const std::string& relative, const std::string& text) {
        fs::path p = base_ / dataDir / "applications" / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }
    static std::string app(const std::string& name, const std::string& extra = "") {
        return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + name + "\n" + extra;
    }

    fs::path base_;
};

}  // namespace

TEST_F(DesktopEntryIndexTest, EarlierFoldersWinAndHiddenEntriesShadow) {
    write("home", "editor.desktop", app("Mine"));
    write("home", "viewer.desktop", app("Viewer", "Hidden=true\n"));
    write("sys", "editor.desktop", app("System"));
    write("sys", "viewer.desktop", app("Viewer"));
    write("sys", "kde/konsole.desktop", app("Konsole"));
    write("sys", "link.desktop", "[Desktop Entry]\nType=Link\nName=Link\n");
    DesktopEntryIndex index({dir("home"), dir("sys"), dir("missing")});
    ASSERT_TRUE(index.byId("editor"));
    EXPECT_EQ(index.byId("editor")->name, "Mine");
    EXPECT_EQ(index.byId("editor.desktop")->name, "Mine");
    EXPECT_FALSE(index.byId("viewer"));
    EXPECT_TRUE(index.byId("kde-konsole"));
    EXPECT_FALSE(index.byId("link"));
}

TEST_F(DesktopEntryIndexTest, MatchPrefersApplicationIdThenStartupClassThenFileName) {
    write("d", "org.example.Terminal.desktop", app("Terminal"));
    write("d", "wrapper.desktop", app("Wrapper", "StartupWMClass=Example-terminal\n"));
    write("d", "xcalc.desktop", app("Calculator"));
    write("d", "org.kde.konsole.desktop", app("Konsole"));
    DesktopEntryIndex index({dir("d")});
    auto id = [&](const std::string& instance, const std::string& cls, const std::string& gtk) {
        auto e = index.match(instance, cls, gtk);
        return e ? e->id : std::string("-");
    };
    EXPECT_EQ(id("example-terminal", "Example-terminal", "org.example.terminal"),
              "org.example.Terminal");
    EXPECT_EQ(id("example-terminal", "Example-terminal", ""), "wrapper");
    EXPECT_EQ(id("xcalc", "XCalc", ""), "xcalc");
    EXPECT_EQ(id("konsole", "konsole", ""), "org.kde.konsole");
    EXPECT_EQ(id("unknown", "Unknown", ""), "-");
    EXPECT_EQ(id("", "", ""), "-");
}
