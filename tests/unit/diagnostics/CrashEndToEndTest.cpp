// A real process crashes with the handler installed; the record it leaves is read and
// symbolised as the next start does. Sending it is the end-to-end crash test's.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "backends/crash/DwSymbolizer.h"
#include "diagnostics/CrashRecord.h"
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

}  // namespace kelvra::test
