// Counts the X round trips of the program it is preloaded into (benchmark only):
// every time XCB must wait for the server's answer it blocks in poll() on the
// connection's socket alone, for reading only, with no timeout, and only then
// (a wait that also asks to write is a full socket, not an answer awaited). Each such wait on the
// main thread (Qt's own connection waits in a thread of its own) adds one to a counter in the file
// named by KELVRA_ROUNDTRIP_COUNTER, which the benchmark maps and reads.
//
//   LD_PRELOAD=libkelvra_roundtrip_counter.so KELVRA_ROUNDTRIP_COUNTER=/path kelvra
//
// With KELVRA_ROUNDTRIP_TRACE=/file, each counted wait appends its call stack there.
#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<uint64_t>* counter = nullptr;
pid_t mainThread = 0;
int traceFd = -1;

__attribute__((constructor)) void open() {
    const char* path = std::getenv("KELVRA_ROUNDTRIP_COUNTER");
    if (!path) return;
    int fd = ::open(path, O_RDWR);
    if (fd < 0) return;
    void* map = mmap(nullptr, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) return;
    counter = static_cast<std::atomic<uint64_t>*>(map);
    mainThread = getpid();
    // Where each round trip comes from, appended to the file this names.
    if (const char* trace = std::getenv("KELVRA_ROUNDTRIP_TRACE"))
        traceFd = ::open(trace, O_WRONLY | O_CREAT | O_APPEND, 0644);
}

bool isXSocket(int fd) {
    sockaddr_un peer{};
    socklen_t length = sizeof(peer);
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return false;
    if (peer.sun_family != AF_UNIX) return false;
    // Abstract addresses start with a NUL byte: look at the whole path.
    return memmem(peer.sun_path, sizeof(peer.sun_path), ".X11-unix", 9) != nullptr;
}

}  // namespace

extern "C" int poll(pollfd* fds, nfds_t count, int timeout) {
    using Poll = int (*)(pollfd*, nfds_t, int);
    static Poll real = reinterpret_cast<Poll>(dlsym(RTLD_NEXT, "poll"));
    if (counter && count == 1 && timeout == -1 && fds[0].events == POLLIN &&
        gettid() == mainThread && isXSocket(fds[0].fd)) {
        counter->fetch_add(1, std::memory_order_relaxed);
        if (traceFd >= 0) {
            void* frames[24];
            int depth = backtrace(frames, 24);
            backtrace_symbols_fd(frames, depth, traceFd);
            (void)!write(traceFd, "--\n", 3);
        }
    }
    return real(fds, count, timeout);
}
