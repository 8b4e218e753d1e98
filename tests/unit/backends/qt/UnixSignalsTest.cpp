#include "backends/qt/UnixSignals.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <vector>

#include "unit/backends/qt/EventLoop.h"

namespace kelvra::qt {
namespace {

using test::runUntil;

TEST(UnixSignals, QuitSignalsArriveOnTheEventLoopAndBrokenPipesAreHarmless) {
    std::vector<int> received;
    UnixSignals watcher([&](int signal) { received.push_back(signal); });
    ASSERT_TRUE(watcher.active());
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        received.clear();
        ASSERT_EQ(raise(signal), 0);
        ASSERT_TRUE(runUntil([&] { return !received.empty(); }));
        EXPECT_EQ(received, std::vector<int>{signal});
    }

    // Without this the signal would end the test process.
    UnixSignals::ignoreBrokenPipes();
    ASSERT_EQ(raise(SIGPIPE), 0);
    // Programs started from here get the default back: writing to a pipe that
    // nobody reads ends them.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(fds[1], 1);
        execl("/bin/sh", "sh", "-c", "echo x", nullptr);
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    close(fds[1]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE);
}

}  // namespace
}  // namespace kelvra::qt
