#include "backends/qt/UnixSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace kelvra::qt {

namespace {
int pipeFds[2] = {-1, -1};
// A closed terminal (SIGHUP) ends the program like SIGINT and SIGTERM do.
constexpr int quitSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onSignal(int signal) {
    // Only async-signal-safe work here: one byte into the pipe.
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] auto n = write(pipeFds[1], &byte, 1);
    errno = saved;
}
}  // namespace

UnixSignals::UnixSignals(std::function<void(int)> handler, QObject* parent)
    : QObject(parent), onSignal_(std::move(handler)) {
    if (pipeFds[0] < 0 && pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : quitSignals) {
        if (sigaction(signal, &action, nullptr) != 0) return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &UnixSignals::drain);
}

UnixSignals::~UnixSignals() {
    if (!notifier_) return;
    for (int signal : quitSignals) std::signal(signal, SIG_DFL);
}

void UnixSignals::ignoreBrokenPipes() {
    // A handler that does nothing rather than SIG_IGN: an ignored signal stays ignored
    // across exec, and the applications we launch expect the default.
    struct sigaction action {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGPIPE, &action, nullptr);
}

void UnixSignals::drain() {
    char byte = 0;
    while (read(pipeFds[0], &byte, 1) == 1) {
        if (onSignal_) onSignal_(static_cast<unsigned char>(byte));
    }
}

}  // namespace kelvra::qt
