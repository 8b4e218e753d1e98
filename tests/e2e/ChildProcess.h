#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kelvra::e2e {

// A program started in a process group of its own, so that it and everything it
// spawns end together (also when the test process dies). Output goes to a log file.
class ChildProcess {
  public:
    // `environment` overrides the test's own ("" removes); only `inheritedFd` stays open.
    ChildProcess(std::vector<std::string> argv,
                 const std::map<std::string, std::string>& environment,
                 std::filesystem::path logFile, int inheritedFd = -1);
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    const std::filesystem::path& logFile() const { return logFile_; }
    // False once the process has exited (it is reaped here).
    bool running();
    // The exit code, or -1 while running or after a signal.
    int exitCode() const;
    // The signal that ended it, or 0 while running or after a normal exit.
    int terminatingSignal() const;
    // SIGTERM to the group, then SIGKILL if it lingers past the grace period.
    void stop();
    std::string logText() const;

  private:
    pid_t pid_ = -1;
    std::filesystem::path logFile_;
    std::optional<int> status_;
};

// The CPU time (user + system) a process has used, in clock ticks; also of one that has
// exited and is not yet reaped; -1 when unreadable.
long cpuTicks(pid_t pid);

}  // namespace kelvra::e2e
