#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "backends/sim/SimDesktop.h"
#include "diagnostics/CrashReporter.h"
#include "settings/AppSettings.h"
#include "unit/diagnostics/TempFolder.h"

namespace kelvra::test {

namespace fs = std::filesystem;

namespace {

int64_t nowSeconds() {
    return std::time(nullptr);
}

std::string recordText(int64_t time, bool withSignal = true) {
    std::string text = "kelvra-crash 1\n";
    if (withSignal) text += "signal 11\n";
    text += "address 0x0\ntime " + std::to_string(time) +
            "\nversion 1.2.3\nbuild 45\narch x86_64\nos Linux 6.1.0\n"
            "frame 0x1a2b 0badc0de /usr/bin/kelvra\nend\n";
    return text;
}

}  // namespace

class CrashReporterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop.install();
        settings = std::make_unique<AppSettings>(desktop.defaults());
        reporter = std::make_unique<CrashReporter>(*settings);
        reporter->setCrashFolder(folder.path());
        desktop.http().setHandler([this](const port::HttpRequest&) {
            return port::HttpResponse{status, {}, {}, {}};
        });
    }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(folder.path() / name) << text;
    }
    bool has(const std::string& name) { return fs::exists(folder.path() / name); }
    size_t requests() { return desktop.http().requests().size(); }
    // Starts the reporter as the program's start does and lets the answers arrive.
    void start() {
        reporter->subscribe();
        desktop.runLoop().advance(0);
    }
    std::vector<nlohmann::json> sentReports() {
        std::vector<nlohmann::json> reports;
        for (const auto& r : desktop.http().requests())
            reports.push_back(nlohmann::json::parse(r.body));
        return reports;
    }

    sim::SimDesktop desktop;
    TempFolder folder;
    int status = 200;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<CrashReporter> reporter;
};

TEST_F(CrashReporterTest, EachRecordBecomesOneReportAndIsDeletedWhenTaken) {
    auto now = nowSeconds();
    write("000000000001-1.crash", recordText(now - 60));
    write("000000000002-2.crash", recordText(now - 30, false));
    write("000000000003-3.crash", recordText(now));
    start();

    const auto& requests = desktop.http().requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const auto& r : requests)
        EXPECT_EQ(std::tie(r.method, r.url, r.headers),
                  std::tuple("POST", "https://sync.kelvra.app/api/crash",
                             port::HttpHeaders{{"Content-Type", "application/json"}}));
    auto reports = sentReports();
    const nlohmann::json fields = {{"type", "crash"},
                                   {"app", "kelvra"},
                                   {"appVersion", "1.2.3"},
                                   {"build", "45"},
                                   {"osVersion", "Linux 6.1.0"},
                                   {"arch", "x86_64"},
                                   {"signal", 11}};
    for (const auto& [key, value] : fields.items()) EXPECT_EQ(reports[0][key], value) << key;
    EXPECT_FALSE(reports[1].contains("signal"));  // omitted, not null
    // The stack is JSON inside a string.
    ASSERT_TRUE(reports[0]["callStack"].is_string());
    auto stack = nlohmann::json::parse(reports[0]["callStack"].get<std::string>());
    const nlohmann::json frame = {
        {"module", "kelvra"}, {"offset", "0x1a2b"}, {"buildID", "0badc0de"}};
    for (const auto& [key, value] : frame.items()) EXPECT_EQ(stack[0][key], value) << key;
    // One installation, one identifier, kept in the settings for later starts.
    EXPECT_EQ(reports[0]["installID"], reports[2]["installID"]);
    EXPECT_EQ(reports[0]["installID"], CrashReporter::installID());
    EXPECT_EQ(CrashReporter::installID().size(), 36u);
    EXPECT_TRUE(fs::is_empty(folder.path()));

    // Nothing is sent twice.
    desktop.http().clearRequests();
    start();
    EXPECT_TRUE(desktop.http().requests().empty());
}

TEST_F(CrashReporterTest, UntakenRecordsWaitForALaterStart) {
    write("000000000001-1.crash", recordText(nowSeconds()));
    for (int answer : {500, 0}) {
        status = answer;
        start();
        EXPECT_TRUE(has("000000000001-1.crash")) << answer;
    }
    status = 204;
    desktop.http().clearRequests();
    start();
    EXPECT_EQ(requests(), 1u);
    EXPECT_FALSE(has("000000000001-1.crash"));
}

TEST_F(CrashReporterTest, AStartDuringAnUploadDoesNotSendItAgain) {
    write("000000000001-1.crash", recordText(nowSeconds()));
    desktop.http().setLatency(5);
    reporter->subscribe();
    reporter->subscribe();
    EXPECT_EQ(requests(), 1u);
    EXPECT_EQ(reporter->sending(), 1u);
    desktop.runLoop().advance(5);
    EXPECT_EQ(reporter->sending(), 0u);
}

TEST_F(CrashReporterTest, WithReportingOffNothingIsSentAndTheRecordsGo) {
    settings->crashReportingEnabled.set(false);
    write("000000000001-1.crash", recordText(nowSeconds()));
    start();
    EXPECT_TRUE(desktop.http().requests().empty());
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST_F(CrashReporterTest, KeepsAtMostTheNewestRecordsAndNoneTooOld) {
    auto now = nowSeconds();
    status = 500;
    write("000000000000-0.crash", recordText(now - 31 * 24 * 3600));
    for (int i = 1; i <= 25; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%012d-%d.crash", i, i);
        write(name, recordText(now - 100 + i));
    }
    start();
    EXPECT_EQ(requests(), CrashReporter::maxKeptRecords);
    EXPECT_FALSE(has("000000000000-0.crash") || has("000000000005-5.crash"));
    EXPECT_TRUE(has("000000000006-6.crash"));
}

TEST_F(CrashReporterTest, ADamagedRecordIsSetAsideAndTheOthersStillGo) {
    write("000000000001-1.crash", "kelvra-crash 1\nsignal 11\nframe 0x1");
    write("000000000002-2.crash", recordText(nowSeconds()));
    write("000000000003-3.crash.tmp", "kelvra-crash 1\n");  // cut short while written
    start();
    EXPECT_TRUE(has("000000000001-1.bad") && has("000000000003-3.crash.bad"));
    EXPECT_EQ(requests(), 1u);
    // Set aside once: the next start does not look at it again.
    desktop.http().clearRequests();
    start();
    EXPECT_EQ(requests(), 0u);
    EXPECT_TRUE(has("000000000001-1.bad"));
}

}  // namespace kelvra::test
