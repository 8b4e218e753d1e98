#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace kelvra::e2e {

namespace {

std::vector<std::string> mergedEnvironment(const std::map<std::string, std::string>& overrides) {
    std::vector<std::string> result;
    for (char** e = environ; *e; ++e) {
        std::string entry(*e);
        std::string name = entry.substr(0, entry.find('='));
        if (!overrides.contains(name)) result.push_back(entry);
    }
    for (const auto& [name, value] : overrides) {
        if (!value.empty()) result.push_back(name + "=" + value);
    }
    return result;
}

}  // namespace

ChildProcess::ChildProcess(Options options) : logFile_(options.logFile) {
    if (options.argv.empty()) throw std::invalid_argument("ChildProcess: empty command");
    // Everything the child needs is prepared before fork: only async-signal-safe
    // calls are allowed between fork and exec.
    std::vector<std::string> env = mergedEnvironment(options.environment);
    std::vector<char*> argv, envp;
    for (auto& a : options.argv) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    int logFd = ::open(logFile_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (logFd < 0) throw std::runtime_error("cannot open log " + logFile_.string());
    const pid_t parent = ::getpid();

    pid_ = ::fork();
    if (pid_ < 0) {
        ::close(logFd);
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid_ == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        int devNull = ::open("/dev/null", O_RDONLY);
        ::dup2(devNull, 0);
        ::dup2(logFd, 1);
        ::dup2(logFd, 2);
        for (int fd : options.inheritedFds) {
            int flags = ::fcntl(fd, F_GETFD);
            ::fcntl(fd, F_SETFD, flags & ~FD_CLOEXEC);
        }
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(logFd);
    // Both sides set the group, so a stop() right after start cannot miss it.
    ::setpgid(pid_, pid_);
}

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::running() {
    if (status_ || pid_ <= 0) return false;
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
        status_ = status;
        return false;
    }
    return r == 0;
}

void ChildProcess::stop(double graceSeconds) {
    if (pid_ <= 0) return;
    // The group may outlive its leader (a program's own children), so signal it
    // even when the leader is gone.
    ::kill(-pid_, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(graceSeconds);
    while (running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(-pid_, SIGKILL);
    if (running()) {
        int status = 0;
        if (::waitpid(pid_, &status, 0) == pid_) status_ = status;
    }
    pid_ = -1;
}

std::string ChildProcess::logText() const {
    std::ifstream in(logFile_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace kelvra::e2e
