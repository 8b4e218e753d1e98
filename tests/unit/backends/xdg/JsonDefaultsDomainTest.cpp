#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <limits>

#include "TempConfigHome.h"
#include "backends/sim/SimDesktop.h"
#include "backends/xdg/DefaultsFileFormat.h"
#include "backends/xdg/JsonDefaultsDomain.h"
#include "settings/AppSettings.h"

namespace kelvra {
namespace {

using testing::hiddenFiles;
using testing::readFile;
using testing::TempConfigHome;
using testing::writeFile;
using xdg::JsonDefaultsDomain;
using namespace std::string_literals;

port::Data bytes(const std::string& s) {
    return port::Data(s.begin(), s.end());
}

class JsonDefaultsDomainTest : public ::testing::Test {
  protected:
    void SetUp() override { desk.install(); }

    std::filesystem::path file() const {
        return JsonDefaultsDomain::standardFile("com.orvane.Kelvra");
    }
    bool logged(const std::string& fragment) const {
        return std::ranges::any_of(desk.logLines(),
                                   [&](const auto& l) { return l.find(fragment) != l.npos; });
    }

    TempConfigHome home;
    sim::SimDesktop desk;
};

TEST_F(JsonDefaultsDomainTest, EveryKindOfValueSurvivesTheFile) {
    const std::vector<std::pair<std::string, port::DefaultsValue>> values = {
        {"b", true},
        {"whole", 8.0},
        {"frac", 0.18},
        {"inf", std::numeric_limits<double>::infinity()},
        {"s", std::string("8.0")},
        {"arr", port::StringArray{"de", ""}},
        {"empty", port::StringArray{}},
        {"data", port::Data{0, 1, 2, 0xff, 0x80}},
        {"nodata", port::Data{}},
        // Records are written as readable JSON yet read back byte for byte, even in a
        // spacing that would not be written back the same.
        {"records", bytes(R"([{"id":"A","w":0.1,"zones":[]}])")},
        {"spaced", bytes(R"([ {"id": "A"} ])")},
    };
    {
        JsonDefaultsDomain d(file());
        for (const auto& [key, value] : values) d.set(key, value);
        d.set("gone", true);
        d.remove("gone");
    }
    JsonDefaultsDomain d(file());
    EXPECT_EQ(d.file(), home.root() / "kelvra" / "com.orvane.Kelvra.json");
    for (const auto& [key, value] : values) EXPECT_EQ(d.object(key), value) << key;
    EXPECT_FALSE(d.object("gone").has_value());
    // Readable by a person, and private to the user.
    const std::string text = readFile(file());
    for (const char* part : {"\"whole\": 8.0", "\"$json\"", "\"zones\""})
        EXPECT_NE(text.find(part), text.npos) << part;
    auto perms = std::filesystem::status(file()).permissions();
    EXPECT_EQ(perms & std::filesystem::perms::others_read, std::filesystem::perms::none);
}

TEST_F(JsonDefaultsDomainTest, MembersOfUnknownFormAreKeptOnRewrite) {
    writeFile(file(), R"({"future": {"nested": [1, 2]}, "n": 3, "bad64": {"$data": "@@"}})");
    JsonDefaultsDomain d(file());
    // They read as their own JSON text, for a reader that can make sense of it.
    EXPECT_EQ(d.object("future"), port::DefaultsValue(bytes(R"({"nested":[1,2]})")));
    EXPECT_EQ(d.object("bad64"), port::DefaultsValue(bytes(R"({"$data":"@@"})")));
    EXPECT_EQ(d.object("n"), port::DefaultsValue(3.0));  // hand-written integers are numbers
    d.set("x", true);
    auto reread = xdg::parseDomainFile(readFile(file())).value();
    EXPECT_EQ(reread.at("future"), nlohmann::json::parse(R"({"nested": [1, 2]})"));
    EXPECT_EQ(reread.at("bad64"), nlohmann::json::parse(R"({"$data": "@@"})"));
}

// A file cut short by a crash, replaced by garbage or grown beyond reason is moved
// aside; the program starts from defaults, and the new file holds only what it then saves.
TEST_F(JsonDefaultsDomainTest, DamagedFilesAreSetAsideNeverOverwritten) {
    const std::pair<std::string, const char*> cases[] = {
        {R"({"windowGap": 5.0, "customLayouts": {"$da)", "cannot be parsed"},
        {"\x01\x02garbage", "cannot be parsed"},
        {"[1, 2]", "cannot be parsed"},
        {std::string(100000, '['), "cannot be parsed"},
        {"{}" + std::string(JsonDefaultsDomain::maxFileSize, ' '), "too large"},
    };
    for (const auto& [content, reason] : cases) {
        SCOPED_TRACE(content.substr(0, 40));
        std::filesystem::remove_all(file().parent_path());
        writeFile(file(), content);
        {
            JsonDefaultsDomain d(file());
            ASSERT_TRUE(d.setAsideFile());
            EXPECT_TRUE(readFile(*d.setAsideFile()) == content);
            EXPECT_NE(d.setAsideFile()->filename().string().find(".json.damaged-"),
                      std::string::npos);
            EXPECT_FALSE(std::filesystem::exists(file()));
            EXPECT_FALSE(d.object("windowGap"));
            d.set("windowGap", 9.0);
        }
        EXPECT_TRUE(logged(reason) && logged("moved aside"));
        EXPECT_EQ(xdg::parseDomainFile(readFile(file())).value().size(), 1u);
    }
}

// Records edited by hand or written by another version: plain JSON of the record's
// form is used, anything else is kept under its backup key with a log line, and the
// next save writes the wrapped form.
TEST_F(JsonDefaultsDomainTest, RecordsOutsideTheWrappedFormsAreDecodedOrSetAside) {
    struct Case {
        const char* key;
        const char* member;
        bool decodes;
    };
    const Case cases[] = {
        {"shortcuts", R"({"center": {"keyCode": 11, "carbonModifiers": 6144}})", true},
        {"excludedApps", R"([{"bundleID": "org.example.A", "name": "A"}])", true},
        {"workspaces", R"([])", true},
        {"customLayouts", R"({"$data": "not base64"})", false},
        {"placementRules", R"({"$json": "a string"})", false},
        {"excludedApps", R"({"bundleID": "org.example.A", "name": "A"})", false},
        {"shortcuts", R"([{"keyCode": 11, "carbonModifiers": 6144}])", false},
        {"workspaces", R"(["a", "b"])", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " = " + c.member);
        std::filesystem::remove_all(file().parent_path());
        const size_t logsBefore = desk.logLines().size();
        const auto member = nlohmann::json::parse(c.member);
        writeFile(file(), nlohmann::json{{c.key, member}}.dump());
        {
            JsonDefaultsDomain d(file());
            AppSettings s(d);
            if (c.decodes) {
                EXPECT_TRUE(c.key != "shortcuts"s ||
                            s.shortcuts() == (ShortcutTable{{"center", KeyCombo{11, 0x1800}}}));
                EXPECT_TRUE(c.key != "excludedApps"s || s.isExcluded(std::string("org.example.A")));
            }
            s.tilingEnabled.set(false);  // a save
        }
        auto saved = xdg::parseDomainFile(readFile(file()));
        ASSERT_TRUE(saved);
        const std::string backup = std::string(c.key) + ".damaged";
        if (c.decodes) {
            EXPECT_FALSE(saved->contains(backup));
            EXPECT_EQ(saved->at(c.key), (nlohmann::json{{"$json", member}}));
            EXPECT_EQ(desk.logLines().size(), logsBefore);
        } else {
            ASSERT_TRUE(saved->contains(backup));
            EXPECT_EQ(xdg::decodeDefaultsValue(saved->at(backup)),
                      xdg::decodeDefaultsValue(member));
            ASSERT_EQ(desk.logLines().size(), logsBefore + 1);
            EXPECT_NE(desk.logLines().back().find(backup), std::string::npos);
        }
    }
}

// A write that fails (the disk fills up part-way, the folder is read-only) leaves the
// old file whole; the value stays in memory and reaches the file with the next good write.
TEST_F(JsonDefaultsDomainTest, FailedWriteKeepsTheOldFile) {
    namespace fs = std::filesystem;
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    struct Case {
        const char* name;
        std::function<void(bool)> block;  // true: make writes fail; false: undo
    };
    const std::vector<Case> cases = {
        {"disk full",
         [&](bool on) {
             rlimit tiny = old;
             tiny.rlim_cur = 16;
             std::signal(SIGXFSZ, on ? SIG_IGN : SIG_DFL);
             setrlimit(RLIMIT_FSIZE, on ? &tiny : &old);
         }},
        {"read-only folder",
         [&](bool on) {
             fs::permissions(
                 file().parent_path(),
                 on ? fs::perms::owner_read | fs::perms::owner_exec : fs::perms::owner_all);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (geteuid() == 0 && std::string(c.name) == "read-only folder")
            continue;  // root writes anyway
        fs::remove_all(file().parent_path());
        JsonDefaultsDomain d(file());
        int failed = 0, recovered = 0;
        auto s1 = d.onSaveFailed([&](const std::string&) { ++failed; });
        auto s2 = d.onSaveRecovered([&] { ++recovered; });
        d.set("windowGap", 8.0);
        const auto before = readFile(file());
        const size_t logs = desk.logLines().size();
        c.block(true);
        d.set("big", std::string(4096, 'x'));
        c.block(false);
        EXPECT_EQ(failed, 1);
        EXPECT_EQ(readFile(file()), before);
        ASSERT_GT(desk.logLines().size(), logs);
        EXPECT_NE(desk.logLines().back().find("settings not saved"), std::string::npos);
        EXPECT_EQ(hiddenFiles(file().parent_path()), 0u) << "temporary file left behind";
        d.set("windowGap", 9.0);
        EXPECT_EQ(recovered, 1);
        EXPECT_EQ(JsonDefaultsDomain(file()).object("big"),
                  port::DefaultsValue(std::string(4096, 'x')));
    }
}

TEST_F(JsonDefaultsDomainTest, ALinkedFileIsWrittenThroughToItsTarget) {
    namespace fs = std::filesystem;
    const fs::path dotfiles = home.root() / "dotfiles";
    struct Case {
        const char* name;
        fs::path link;  // what the settings path points to
        bool targetExists;
    };
    const std::vector<Case> cases = {
        {"relative", "../dotfiles/kelvra.json", true},
        {"absolute", dotfiles / "kelvra.json", true},
        {"dangling", "../dotfiles/new/kelvra.json", false},
        // A link to a link: the last one's target is written.
        {"chained", "../dotfiles/hop.json", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dotfiles);
        fs::remove_all(file().parent_path());
        fs::create_directories(file().parent_path());
        const fs::path target =
            c.targetExists ? dotfiles / "kelvra.json" : dotfiles / "new" / "kelvra.json";
        if (c.targetExists) writeFile(target, "{\"kept\": true}\n");
        fs::create_directories(dotfiles);
        fs::create_symlink("kelvra.json", dotfiles / "hop.json");
        fs::create_symlink(c.link, file());

        JsonDefaultsDomain(file()).set("windowGap", 12.0);
        EXPECT_TRUE(fs::is_symlink(file())) << "the link was replaced by a file";
        EXPECT_EQ(fs::read_symlink(file()), c.link);
        JsonDefaultsDomain again(file());
        EXPECT_EQ(again.object("windowGap"), port::DefaultsValue(12.0));
        EXPECT_TRUE(!c.targetExists || again.object("kept") == port::DefaultsValue(true));
        EXPECT_NE(readFile(target).find("windowGap"), std::string::npos);
        EXPECT_EQ(hiddenFiles(target.parent_path()), 0u);
    }
}

TEST_F(JsonDefaultsDomainTest, TemporaryFilesOfInterruptedSavesAreRemovedWhenOpened) {
    namespace fs = std::filesystem;
    const fs::path folder = file().parent_path();
    fs::create_directories(folder);
    const std::string prefix = "." + file().filename().string() + ".tmp-";
    // A process that has ended.
    pid_t dead = fork();
    if (dead == 0) _exit(0);
    waitpid(dead, nullptr, 0);
    const std::string alive = std::to_string(getppid());
    struct Case {
        std::string name;
        bool old;
        bool removed;
    };
    const std::vector<Case> cases = {
        {prefix + std::to_string(dead) + "-a1b2c3", false, true},
        {prefix + "Xy9q2Z", false, true},            // the form without a process id
        {prefix + alive + "-d4e5f6", false, false},  // a save in progress elsewhere
        {prefix + alive + "-g7h8i9", true, true},    // older than this process
        {".other.json.tmp-" + std::to_string(dead) + "-aaaaaa", false, false},
        {"com.orvane.Kelvra.json.bak", false, false},
    };
    for (const auto& c : cases) {
        writeFile(folder / c.name, "{\"half\": ");
        if (c.old) {
            fs::last_write_time(folder / c.name,
                                fs::file_time_type::clock::now() - std::chrono::hours(24));
        }
    }
    JsonDefaultsDomain d(file());
    for (const auto& c : cases) EXPECT_EQ(fs::exists(folder / c.name), !c.removed) << c.name;
    EXPECT_TRUE(logged("removed 3 temporary file(s)"));
}

}  // namespace
}  // namespace kelvra
