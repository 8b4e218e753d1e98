// The whole road of a crash: a real process crashes with the handler installed, the
// record it leaves is symbolised at the "next start" and posted to a real HTTP server
// on the loopback interface.
#include <gtest/gtest.h>

#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "diagnostics/CrashReporter.h"
#include "platform/crash/DwSymbolizer.h"
#include "platform/sim/SimDesktop.h"
#include "settings/AppSettings.h"
#include "unit/diagnostics/TempFolder.h"

namespace kelvra::test {

namespace fs = std::filesystem;

namespace {

// Runs the crash test program with KELVRA_TEST_CRASH=`how`; returns its wait status.
int runCrashing(const std::string& how, const fs::path& folder) {
    pid_t pid = fork();
    if (pid == 0) {
        setenv("KELVRA_TEST_CRASH", how.c_str(), 1);
        execl(KELVRA_CRASHTEST, KELVRA_CRASHTEST, folder.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

std::vector<fs::path> records(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(folder)) found.push_back(e.path());
    return found;
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// HTTP through cpp-httplib's client, answering on the run loop like the real service.
class LoopbackHttp final : public port::Http {
  public:
    explicit LoopbackHttp(port::RunLoop& loop) : loop_(loop) {}
    void send(port::HttpRequest request, std::function<void(port::HttpResponse)> done) override {
        auto schemeEnd = request.url.find("://");
        auto pathStart = request.url.find('/', schemeEnd + 3);
        httplib::Client client(request.url.substr(0, pathStart));
        auto result = client.Post(request.url.substr(pathStart), request.body, "application/json");
        port::HttpResponse response;
        if (result) {
            response.status = result->status;
        } else {
            response.error = "no answer";
        }
        loop_.post([done, response] { done(response); });
    }

  private:
    port::RunLoop& loop_;
};

}  // namespace

struct CrashCase {
    std::string how;
    int signal;
    bool terminate;
};

class CrashHandlerTest : public ::testing::TestWithParam<CrashCase> {};

TEST_P(CrashHandlerTest, TheProcessDiesByTheSignalAndLeavesARecord) {
    TempFolder folder;
    int status = runCrashing(GetParam().how, folder.path());
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << status;
    EXPECT_EQ(WTERMSIG(status), GetParam().signal);

    auto files = records(folder.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].extension(), ".crash");
    auto record = parseCrashRecord(readAll(files[0]));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->signal, GetParam().signal);
    EXPECT_EQ(record->version, "9.8.7");
    EXPECT_EQ(record->cause == "terminate", GetParam().terminate);
    EXPECT_FALSE(record->arch.empty());
    EXPECT_EQ(record->os.rfind("Linux ", 0), 0u);

    // The stack goes through our own function, found by name at the next start.
    crash::DwSymbolizer symbolize;
    bool found = false;
    for (const auto& frame : record->frames) {
        auto j = symbolize(frame);
        if (j.value("function", "").find("crashHere") != std::string::npos) {
            found = true;
            EXPECT_EQ(j["module"], "kelvra-crashtest");
            EXPECT_FALSE(frame.buildID.empty());
            EXPECT_TRUE(j.contains("line"));
        }
    }
    EXPECT_TRUE(found) << readAll(files[0]);
}

INSTANTIATE_TEST_SUITE_P(Crashes, CrashHandlerTest,
                         ::testing::Values(CrashCase{"segv", SIGSEGV, false},
                                           CrashCase{"abort", SIGABRT, false},
                                           CrashCase{"throw", SIGABRT, true}));

TEST(CrashUploadTest, TheNextStartPostsTheReportOnlyWhenAllowed) {
    httplib::Server server;
    std::mutex lock;
    std::vector<std::string> bodies;
    server.Post("/api/crash", [&](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard<std::mutex> hold(lock);
        bodies.push_back(request.body);
        response.status = 201;
    });
    int port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread serving([&] { server.listen_after_bind(); });

    for (bool allowed : {false, true}) {
        TempFolder folder;
        ASSERT_TRUE(WIFSIGNALED(runCrashing("segv", folder.path())));

        sim::SimDesktop desktop;
        desktop.install();
        LoopbackHttp http(*platform().runLoop);
        auto ports = desktop.ports();
        ports.http = &http;
        installPlatform(ports);
        AppSettings::resetSharedForTesting();
        platform().defaults->set("cloudServiceURL", "http://127.0.0.1:" + std::to_string(port));
        AppSettings::shared().crashReportingEnabled.set(allowed);
        auto& reporter = CrashReporter::shared();
        reporter.resetForTesting();
        reporter.setCrashFolder(folder.path());
        auto symbolizer = std::make_shared<crash::DwSymbolizer>();
        reporter.setSymbolizer([symbolizer](const CrashFrame& f) { return (*symbolizer)(f); });
        reporter.subscribe();
        desktop.runLoop().runPending();

        std::lock_guard<std::mutex> hold(lock);
        ASSERT_EQ(bodies.size(), allowed ? 1u : 0u);
        EXPECT_TRUE(records(folder.path()).empty());  // sent, or dropped when not allowed
        if (allowed) {
            auto report = nlohmann::json::parse(bodies[0]);
            EXPECT_EQ(report["signal"], SIGSEGV);
            EXPECT_EQ(report["appVersion"], "9.8.7");
            EXPECT_NE(report["callStack"].get<std::string>().find("crashHere"), std::string::npos);
        }
        reporter.resetForTesting();
        AppSettings::resetSharedForTesting();
    }
    server.stop();
    serving.join();
}

}  // namespace kelvra::test
