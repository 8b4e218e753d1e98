// The program as a user meets it, on Xvfb under openbox: how long a shortcut takes
// from the key press to the window's ConfigureNotify, against the same move made by
// spawning wmctrl and against one move request sent straight to the window manager
// (the floor), in the same run; how many X round trips the program makes per
// press (counted by a preloaded library, see roundtrip_counter.cpp); the CPU it uses
// while idle; and its resident memory.
//
//   desktop_bench [--presses N] [--idle-seconds S]
#include <gtest/gtest.h>  // before Xlib: the harness reports through it

#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Harness.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using kelvra::e2e::Box;
using kelvra::e2e::Desktop;

double quantileOf(std::vector<double> values, double q) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t i = static_cast<size_t>(q * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(i, values.size() - 1)];
}

struct Samples {
    std::vector<double> millis;
    std::vector<double> roundTrips;  // per press, when counted
    int missed = 0;
    double quantile(double q) const { return quantileOf(millis, q); }
};

// The counter the preloaded library in the program increments: a file both map.
class RoundTripCounter {
  public:
    RoundTripCounter() {
        char path[] = "/tmp/kelvra-roundtrips-XXXXXX";
        int fd = mkstemp(path);
        if (fd < 0) return;
        path_ = path;
        if (ftruncate(fd, sizeof(uint64_t)) == 0) {
            void* map = mmap(nullptr, sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (map != MAP_FAILED) value_ = static_cast<std::atomic<uint64_t>*>(map);
        }
        close(fd);
    }
    ~RoundTripCounter() {
        if (value_) munmap(value_, sizeof(uint64_t));
        if (!path_.empty()) unlink(path_.c_str());
    }
    bool valid() const { return value_ != nullptr; }
    uint64_t read() const { return value_ ? value_->load() : 0; }
    // What the program's environment needs for the library to count into this file.
    std::map<std::string, std::string> environment() const {
        if (!valid()) return {};
        std::map<std::string, std::string> env = {{"LD_PRELOAD", KELVRA_ROUNDTRIP_COUNTER},
                                                  {"KELVRA_ROUNDTRIP_COUNTER", path_}};
        if (const char* trace = std::getenv("KELVRA_ROUNDTRIP_TRACE"))
            env["KELVRA_ROUNDTRIP_TRACE"] = trace;
        return env;
    }

  private:
    std::string path_;
    std::atomic<uint64_t>* value_ = nullptr;
};

void drain(Display* d) {
    while (XPending(d)) {
        XEvent e;
        XNextEvent(d, &e);
    }
}

// Waits for the next ConfigureNotify of `window`; false after the deadline.
bool waitForConfigure(Display* d, Window window, std::chrono::milliseconds deadline) {
    auto end = Clock::now() + deadline;
    while (Clock::now() < end) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == ConfigureNotify && e.xconfigure.window == window) return true;
        }
        // Woken by the event's arrival, not by a tick.
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, 5);
    }
    return false;
}

// Runs `trigger(i)` `count` times; each must change the window's frame.
Samples measure(Desktop& desktop, Window window, int count, const std::function<void(int)>& trigger,
                const RoundTripCounter* counter = nullptr) {
    Display* d = desktop.display();
    Samples samples;
    for (int i = 0; i < count; ++i) {
        auto before = desktop.frame(window);
        uint64_t tripsBefore = counter ? counter->read() : 0;
        drain(d);
        auto start = Clock::now();
        trigger(i);
        if (waitForConfigure(d, window, 3s)) {
            samples.millis.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        } else {
            ++samples.missed;
        }
        // Let the move finish before the next one starts.
        if (before) desktop.waitForChange(window, *before, 3s);
        Desktop::waitUntil([&] {
            auto a = desktop.frame(window);
            std::this_thread::sleep_for(20ms);
            auto b = desktop.frame(window);
            return a && b && *a == *b;
        });
        // Read once the press is over: whatever the program did for it is counted.
        if (counter)
            samples.roundTrips.push_back(static_cast<double>(counter->read() - tripsBefore));
    }
    return samples;
}

// The floor: the same move asked of the window manager directly by one request.
void askManager(Display* d, Window window, long x, long y, long width, long height) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(d, "_NET_MOVERESIZE_WINDOW", False);
    e.xclient.format = 32;
    // North-west gravity, all four fields, from a pager.
    e.xclient.data.l[0] = 1 | (0xf << 8) | (2 << 12);
    e.xclient.data.l[1] = x;
    e.xclient.data.l[2] = y;
    e.xclient.data.l[3] = width;
    e.xclient.data.l[4] = height;
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &e);
    XFlush(d);
}

pid_t spawnWmctrl(const std::string& displayName, const std::string& geometry) {
    std::vector<std::string> args = {"wmctrl", "-r", ":ACTIVE:", "-e", geometry};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = {"DISPLAY=" + displayName};
    for (char** e = environ; *e; ++e) {
        if (std::string(*e).rfind("DISPLAY=", 0) != 0) env.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, "wmctrl", nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
}

// utime + stime of a process, in clock ticks.
long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto close = all.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(all.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    // After the command name: state is field 3, utime 14 and stime 15.
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n == 14) utime = std::stol(field);
        if (n == 15) stime = std::stol(field);
    }
    return utime + stime;
}

double residentMiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    int presses = 200;
    int idleSeconds = 30;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i];
        if (flag == "--presses") presses = std::max(1, std::atoi(argv[i + 1]));
        if (flag == "--idle-seconds") idleSeconds = std::max(1, std::atoi(argv[i + 1]));
    }

    try {
        Desktop desktop;
        RoundTripCounter counter;
        desktop.startKelvra(counter.environment());
        const pid_t kelvra = desktop.kelvraPid();
        // Memory once start-up is over: the hot keys are registered by now.
        const double rssAtStart = residentMiB(kelvra);

        Window window = desktop.startTestClient(
            {.title = "bench", .arguments = {"--geometry", "400x300+200+150"}});
        desktop.activate(window);
        XSelectInput(desktop.display(), window, StructureNotifyMask);
        XSync(desktop.display(), False);

        // Left half and top half differ in position and size, so every press moves.
        Samples shortcut = measure(
            desktop, window, presses,
            [&](int i) { desktop.pressShortcut(i % 2 == 0 ? XK_Left : XK_Up); }, &counter);
        Samples spawned = measure(desktop, window, presses, [&](int i) {
            pid_t p =
                spawnWmctrl(desktop.displayName(), i % 2 == 0 ? "0,0,0,700,850" : "0,0,0,1400,400");
            if (p > 0) {
                std::thread([p] { waitpid(p, nullptr, 0); }).detach();
            }
        });
        Samples direct = measure(desktop, window, presses, [&](int i) {
            if (i % 2 == 0)
                askManager(desktop.display(), window, 0, 0, 700, 850);
            else
                askManager(desktop.display(), window, 0, 0, 1400, 400);
        });
        const double rssAfterPresses = residentMiB(kelvra);

        const long ticksBefore = cpuTicks(kelvra);
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        const long ticksAfter = cpuTicks(kelvra);
        const double hz = static_cast<double>(sysconf(_SC_CLK_TCK));
        const double idleCpuPercent =
            100.0 * static_cast<double>(ticksAfter - ticksBefore) / hz / idleSeconds;

        std::printf("\nDesktop benchmark: Xvfb 1440x900, openbox, %d presses each\n\n", presses);
        std::printf("%-40s %10s %10s %8s\n", "", "median", "p95", "missed");
        std::printf("%-40s %7.2f ms %7.2f ms %8d\n", "kelvra shortcut -> ConfigureNotify",
                    shortcut.quantile(0.5), shortcut.quantile(0.95), shortcut.missed);
        std::printf("%-40s %7.2f ms %7.2f ms %8d\n", "wmctrl spawn -> ConfigureNotify",
                    spawned.quantile(0.5), spawned.quantile(0.95), spawned.missed);
        std::printf("%-40s %7.2f ms %7.2f ms %8d\n", "one request to openbox -> ConfigureNotify",
                    direct.quantile(0.5), direct.quantile(0.95), direct.missed);
        if (spawned.quantile(0.5) > 0 && spawned.quantile(0.95) > 0) {
            std::printf("%-40s %10.2f %10.2f\n", "ratio kelvra / wmctrl",
                        shortcut.quantile(0.5) / spawned.quantile(0.5),
                        shortcut.quantile(0.95) / spawned.quantile(0.95));
            std::printf("%-40s %9.1fx %9.1fx\n", "kelvra faster than wmctrl by",
                        spawned.quantile(0.5) / shortcut.quantile(0.5),
                        spawned.quantile(0.95) / shortcut.quantile(0.95));
        }
        if (counter.valid() && !shortcut.roundTrips.empty()) {
            std::printf("%-40s %10.0f %10.0f  (max %.0f)\n", "kelvra X round trips per press",
                        quantileOf(shortcut.roundTrips, 0.5), quantileOf(shortcut.roundTrips, 0.95),
                        quantileOf(shortcut.roundTrips, 1.0));
        }
        std::printf("%-40s %9.3f %%  (%ld ticks in %d s)\n", "kelvra CPU while idle",
                    idleCpuPercent, ticksAfter - ticksBefore, idleSeconds);
        std::printf("%-40s %8.1f MiB\n", "kelvra resident memory after start", rssAtStart);
        std::printf("%-40s %8.1f MiB\n", "kelvra resident memory after presses", rssAfterPresses);
        if (!desktop.kelvraRunning()) {
            std::fprintf(stderr, "kelvra exited during the benchmark\n");
            return 1;
        }
        return shortcut.missed > 0 ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "desktop_bench: %s\n", e.what());
        return 1;
    }
}
