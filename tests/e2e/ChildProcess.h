#pragma once

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kelvra::e2e {

// A program started in a process group of its own, so that it and everything it
// spawns can be ended together. Output goes to a log file. The group is ended when
// the object is destroyed, and the kernel ends the child if the test process dies.
class ChildProcess {
  public:
    struct Options {
        std::vector<std::string> argv;
        std::map<std::string, std::string> environment;  // overrides; "" removes
        std::filesystem::path logFile;
        std::vector<int> inheritedFds;  // kept open across exec (everything else closes)
    };

    explicit ChildProcess(Options options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    const std::filesystem::path& logFile() const { return logFile_; }
    // False once the process has exited (it is reaped here).
    bool running();
    // The wait status once it has exited.
    std::optional<int> exitStatus() const { return status_; }
    // SIGTERM to the group, then SIGKILL if it lingers past the grace period.
    void stop(double graceSeconds = 3.0);
    std::string logText() const;

  private:
    pid_t pid_ = -1;
    std::filesystem::path logFile_;
    std::optional<int> status_;
};

}  // namespace kelvra::e2e
