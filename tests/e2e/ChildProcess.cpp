#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace kelvra::e2e {

ChildProcess::ChildProcess(std::vector<std::string> argv,
                           const std::map<std::string, std::string>& environment,
                           std::filesystem::path logFile, int inheritedFd)
    : logFile_(std::move(logFile)) {
    // Prepared before fork: only async-signal-safe calls may come between fork and exec.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (!environment.contains(std::string(*e).substr(0, std::strcspn(*e, "="))))
            env.push_back(*e);
    for (const auto& [name, value] : environment)
        if (!value.empty()) env.push_back(name + "=" + value);
    std::vector<char*> args, envp;
    for (auto& a : argv) args.push_back(a.data());
    for (auto& e : env) envp.push_back(e.data());
    args.push_back(nullptr);
    envp.push_back(nullptr);
    int logFd = ::open(logFile_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (logFd < 0) throw std::runtime_error("cannot open log " + logFile_.string());
    const pid_t parent = ::getpid();

    if ((pid_ = ::fork()) < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid_ == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        ::dup2(logFd, 1);
        ::dup2(logFd, 2);
        if (inheritedFd >= 0) ::fcntl(inheritedFd, F_SETFD, 0);
        ::execvpe(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ::close(logFd);
    // Both sides set the group, so a stop() right after start cannot miss it.
    ::setpgid(pid_, pid_);
}

bool ChildProcess::running() {
    if (status_ || pid_ <= 0) return false;
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) status_ = status;
    return r == 0;
}

int ChildProcess::exitCode() const {
    return status_ && WIFEXITED(*status_) ? WEXITSTATUS(*status_) : -1;
}

int ChildProcess::terminatingSignal() const {
    return status_ && WIFSIGNALED(*status_) ? WTERMSIG(*status_) : 0;
}

void ChildProcess::stop() {
    if (pid_ <= 0) return;
    // The group may outlive its leader (a program's own children), so signal it
    // even when the leader is gone.
    ::kill(-pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(-pid_, SIGKILL);
    int status = 0;
    if (running() && ::waitpid(pid_, &status, 0) == pid_) status_ = status;
    pid_ = -1;
}

std::string ChildProcess::logText() const {
    std::ifstream in(logFile_);
    return {std::istreambuf_iterator<char>(in), {}};
}

long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const auto close = text.rfind(')');  // the name may hold spaces and parentheses
    if (close == std::string::npos) return -1;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i)
        if (i == 14 || i == 15) ticks += std::stol(field);
    return ticks;
}

}  // namespace kelvra::e2e
