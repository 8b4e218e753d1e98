#include "backends/wayland/CompositorRestart.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-client.h>

#include <QString>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "port/Platform.h"

namespace kelvra::wayland {

namespace {

const char* const restartedVariable = "KELVRA_AFTER_COMPOSITOR_RESTART";
// A compositor that does not come back within this is not coming back (the session ended).
constexpr int comebackSeconds = 30;

std::string socketPath() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (!display || !*display) return {};
    if (display[0] == '/') return display;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return {};
    return std::string(runtime) + "/" + display;
}

// The instance's end of the pipe to its watcher; -1 without one.
int toWatcher = -1;
QtMessageHandler earlierHandler = nullptr;

// The toolkit says so just before it ends the process: the watcher learns it then. (Under
// Plasma's own session the compositor's socket outlives a KWin crash, so the socket alone
// cannot tell.)
void noticeLostCompositor(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    if (toWatcher >= 0 && message.contains(QLatin1String("Wayland connection broke")))
        [[maybe_unused]]
        auto written = ::write(toWatcher, "l", 1);
    if (earlierHandler) earlierHandler(type, context, message);
}

// Below here only system calls: the watcher is forked from a process with threads.

bool sameSocket(const char* path, const struct stat& before) {
    struct stat now {};
    return ::stat(path, &now) == 0 && now.st_dev == before.st_dev && now.st_ino == before.st_ino;
}

bool answers(const sockaddr_un& address) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

[[noreturn]] void watch(int endOfInstance, const char* path, const char* folder,
                        const struct stat& socketAtStart, const char* program, char** argv,
                        char** environment) {
    bool lost = false;
    for (;;) {
        char byte;
        const ssize_t got = ::read(endOfInstance, &byte, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        lost = lost || byte == 'l';
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
    // The same compositor still answers: the instance ended for reasons of its own. (One
    // that crashed leaves its socket file behind, refusing connections.)
    if (!lost && sameSocket(path, socketAtStart) && answers(address)) ::_exit(0);
    const timespec step{0, 200'000'000};
    struct stat session {};
    for (int i = 0; i < comebackSeconds * 5; ++i) {
        // The session's runtime folder went with it: nothing to come back to.
        if (::stat(folder, &session) != 0) ::_exit(0);
        if (answers(address)) {
            ::execve(program, argv, environment);
            ::_exit(127);
        }
        ::nanosleep(&step, nullptr);
    }
    ::_exit(0);
}

}  // namespace

void restartAfterCompositorRestarts(char** argv) {
    const std::string path = socketPath();
    struct stat socketAtStart {};
    if (path.empty() || path.size() >= sizeof(sockaddr_un::sun_path) ||
        ::stat(path.c_str(), &socketAtStart) != 0)
        return;
    // Everything the watcher needs is made now: after fork it may not allocate.
    const std::string folder = path.substr(0, path.rfind('/'));
    std::vector<char> program(4096);
    const ssize_t length = ::readlink("/proc/self/exe", program.data(), program.size() - 1);
    if (length <= 0) return;
    std::vector<std::string> variables{std::string(restartedVariable) + "=1"};
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, restartedVariable, std::strlen(restartedVariable)) != 0)
            variables.emplace_back(*e);
    }
    std::vector<char*> environment;
    for (auto& v : variables) environment.push_back(v.data());
    environment.push_back(nullptr);

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    const pid_t watcher = ::fork();
    if (watcher < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        logLine(
            "cannot start the watcher: Kelvra does not come back after the compositor restarts");
        return;
    }
    if (watcher == 0) {
        // Only the pipe's reading end and the standard streams (the next instance's log)
        // stay open: the watcher keeps none of the instance's connections alive. A Ctrl+C
        // on the instance's terminal is not for the watcher.
        ::setsid();
        ::dup2(ends[0], 3);
        ::close_range(4, ~0U, 0);
        watch(3, path.c_str(), folder.c_str(), socketAtStart, program.data(), argv,
              environment.data());
    }
    // The writing end stays open in this instance alone (close-on-exec keeps it out of
    // the programs Kelvra launches): its end is the watcher's end of file.
    ::close(ends[0]);
    toWatcher = ends[1];
    earlierHandler = qInstallMessageHandler(noticeLostCompositor);
}

bool startedAfterCompositorRestart() {
    const char* value = std::getenv(restartedVariable);
    return value && std::strcmp(value, "1") == 0;
}

void awaitAnsweringCompositor() {
    for (int i = 0; i < comebackSeconds * 5; ++i) {
        if (wl_display* display = wl_display_connect(nullptr)) {
            const bool answered = wl_display_roundtrip(display) >= 0;
            wl_display_disconnect(display);
            if (answered) return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

}  // namespace kelvra::wayland
