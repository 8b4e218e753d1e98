// Crash reports on the real desktop: the crash-switch build of the program crashes by
// SIGSEGV, and the next start of the real program sends the record to a running
// kelvra-server when the user allows it, or drops it unsent when not. Damaged records,
// bounds and "never twice" are the unit tests' (tests/unit/diagnostics).
#include "Harness.h"

#include <signal.h>
#include <sqlite3.h>

#include <algorithm>

namespace kelvra::e2e {
namespace {

namespace fs = std::filesystem;

// The installation and the body of every report the service stored, read from its
// database file without going through its interface.
std::vector<std::pair<std::string, nlohmann::json>> storedReports(const fs::path& dataDir) {
    std::vector<std::pair<std::string, nlohmann::json>> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2((dataDir / "kelvra.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_busy_timeout(db, 2000);
        sqlite3_stmt* query = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT install, report FROM crashes ORDER BY id", -1, &query,
                               nullptr) == SQLITE_OK) {
            while (sqlite3_step(query) == SQLITE_ROW) {
                auto text = [&](int column) {
                    auto* t = sqlite3_column_text(query, column);
                    return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
                };
                rows.emplace_back(text(0), nlohmann::json::parse(text(1), nullptr, false));
            }
        }
        sqlite3_finalize(query);
    }
    sqlite3_close(db);
    return rows;
}

fs::path crashFolder(const Desktop& desktop) {
    return desktop.home() / ".local/state/kelvra/crashes";
}

std::vector<fs::path> filesEndingIn(const fs::path& folder, const std::string& suffix) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().filename().string().ends_with(suffix)) found.push_back(entry.path());
    return found;
}

// The crash-switch build crashes on purpose once it runs; it must die by SIGSEGV and
// leave exactly one record.
void crashOnce(Desktop& desktop) {
    desktop.changeEnvironment({{"KELVRA_TEST_CRASH", "segv"}});
    desktop.startKelvraWithoutWaiting(KELVRA_CRASHSWITCH);
    desktop.changeEnvironment({{"KELVRA_TEST_CRASH", ""}});
    ASSERT_TRUE(Desktop::waitUntil([&] { return !desktop.kelvraRunning(); }, 20s))
        << desktop.kelvra().logText();
    EXPECT_EQ(desktop.kelvra().terminatingSignal(), SIGSEGV) << desktop.kelvra().logText();
    EXPECT_EQ(filesEndingIn(crashFolder(desktop), ".crash").size(), 1u);
}

bool recordsGone(const Desktop& desktop) {
    return Desktop::waitUntil([&] { return filesEndingIn(crashFolder(desktop), ".crash").empty(); },
                              10s);
}

// One desktop, two crashes: the first with reporting off, the second with it on.
TEST(CrashReport, TheNextStartSendsTheRecordOnlyWhenReportingIsOn) {
    Desktop desktop;
    const fs::path data = desktop.home() / "service/data";
    ServiceProcess service(KELVRA_SERVER, data);
    desktop.writeSettings({{"crashReportingEnabled", false}, {"cloudServiceURL", service.url()}});
    crashOnce(desktop);
    if (HasFatalFailure()) return;
    desktop.writeSettings(desktop.readSettings());
    // The shipped program has no crash switch: it ignores the variable.
    desktop.startKelvra({{"KELVRA_TEST_CRASH", "segv"}});
    EXPECT_TRUE(recordsGone(desktop));
    EXPECT_TRUE(desktop.kelvraRunning()) << desktop.kelvra().logText();
    EXPECT_TRUE(storedReports(data).empty());
    desktop.kelvra().stop();

    auto settings = desktop.readSettings();
    settings["crashReportingEnabled"] = true;
    desktop.writeSettings(settings);
    crashOnce(desktop);
    if (HasFatalFailure()) return;
    desktop.writeSettings(desktop.readSettings());
    desktop.startKelvra();
    ASSERT_TRUE(Desktop::waitUntil([&] { return storedReports(data).size() == 1; }, 10s))
        << desktop.kelvra().logText();
    EXPECT_TRUE(recordsGone(desktop));

    const auto installID = desktop.readSettings().value("crashInstallID", "");
    EXPECT_FALSE(installID.empty());
    const auto [install, report] = storedReports(data).back();
    EXPECT_EQ(install, installID);
    EXPECT_EQ(report.value("installID", ""), installID);
    EXPECT_EQ(report.value("signal", 0), SIGSEGV);
    ASSERT_TRUE(report.contains("callStack") && report["callStack"].is_string()) << report;
    const auto frames =
        nlohmann::json::parse(report["callStack"].get<std::string>(), nullptr, false);
    ASSERT_TRUE(frames.is_array()) << report;
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), [](const auto& f) {
        return f.is_object() && f.value("function", "").find("crashIfAsked") != std::string::npos;
    })) << frames.dump(1);
}

}  // namespace
}  // namespace kelvra::e2e
