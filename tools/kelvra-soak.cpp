// The soak: the real program on a private Xvfb desktop with openbox, a desktop of test
// windows that keep opening and closing, many shortcut presses and title-bar drags
// (XTest). It measures the program's resident memory, open file descriptors, X
// resources (X-Resource, over all of its connections) and CPU time, and exits 1 when
// the program crashed, stopped answering, or memory, descriptors or X resources grew
// past the bounds below. Both measurements are taken on a desktop of fresh windows, so
// no tile group's dividers count. Prints a summary.
//   kelvra-soak [--presses N] [--drags N] [--windows N]
#include "Harness.h"  // GoogleTest before Xlib, whose macros break it

#include <X11/Xlib-xcb.h>
#include <X11/keysym.h>
#include <unistd.h>
#include <xcb/res.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace kelvra::e2e;
using namespace std::chrono_literals;

// What the program may grow by between the measurement after the warm-up and the end.
constexpr long rssBoundKiB = 8 * 1024;
constexpr long xResourceBound = 16;
// CPU in the quiet seconds after the last input: at most this share of one core.
constexpr double idleCpuBound = 0.01;

struct Sample {
    long rssKiB = 0, peakKiB = 0;
    long fds = 0;
    long xResources = 0, xClients = 0;
    long cpuTicks = 0;
    std::map<std::string, long> byType;  // X resources by type name
};

long statusField(pid_t pid, const char* name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name, 0) == 0) return std::atol(line.c_str() + std::strlen(name));
    return -1;
}

long openFds(pid_t pid) {
    long count = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end;
         !ec && it != end; it.increment(ec))
        ++count;
    return count;
}

// Every resource the server holds for each connection of the process.
void countXResources(Display* display, pid_t pid, Sample& sample) {
    xcb_connection_t* c = XGetXCBConnection(display);
    xcb_res_client_id_spec_t all{0, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    auto* ids = xcb_res_query_client_ids_reply(c, xcb_res_query_client_ids(c, 1, &all), nullptr);
    if (!ids) return;
    for (auto it = xcb_res_query_client_ids_ids_iterator(ids); it.rem;
         xcb_res_client_id_value_next(&it)) {
        if (it.data->length < 4 ||
            static_cast<pid_t>(*xcb_res_client_id_value_value(it.data)) != pid)
            continue;
        ++sample.xClients;
        auto* resources = xcb_res_query_client_resources_reply(
            c, xcb_res_query_client_resources(c, it.data->spec.client), nullptr);
        if (!resources) continue;
        for (auto t = xcb_res_query_client_resources_types_iterator(resources); t.rem;
             xcb_res_type_next(&t)) {
            sample.xResources += t.data->count;
            char* name = XGetAtomName(display, t.data->resource_type);
            sample.byType[name ? name : "?"] += t.data->count;
            if (name) XFree(name);
        }
        free(resources);
    }
    free(ids);
}

Sample measure(Desktop& desktop) {
    const pid_t pid = desktop.kelvraPid();
    Sample s;
    s.rssKiB = statusField(pid, "VmRSS:");
    s.peakKiB = statusField(pid, "VmHWM:");
    s.fds = openFds(pid);
    s.cpuTicks = cpuTicks(pid);
    countXResources(desktop.display(), pid, s);
    return s;
}

int option(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
    return fallback;
}

class Soak {
  public:
    explicit Soak(int windows) : random_(2026) {
        desktop_.startKelvra();
        for (int i = 0; i < windows; ++i) openWindow();
    }

    Desktop& desktop() { return desktop_; }
    int opened() const { return opened_; }

    // A shortcut on the active window (often the one just dragged or activated).
    void press() {
        static const unsigned long keys[] = {XK_Left, XK_Right, XK_Up, XK_Down, XK_Return,
                                             XK_d,    XK_f,     XK_g,  XK_e,    XK_t,
                                             XK_u,    XK_i,     XK_j,  XK_k,    XK_BackSpace};
        desktop_.pressShortcut(keys[random_() % std::size(keys)]);
        std::this_thread::sleep_for(2ms);
    }
    // A title-bar drag of a random window to an edge, a corner or the middle.
    void drag() {
        Window w = pick();
        desktop_.activate(w);
        const auto frame = desktop_.frame(w);
        if (!frame) return;
        static const Spot targets[] = {{1, 450},  {1438, 450}, {720, 1},    {2, 2},
                                       {1437, 2}, {2, 897},    {1437, 897}, {720, 450}};
        const Spot grip{int(frame->x + frame->width / 2), int(frame->y + 8)};
        desktop_.pressButton(grip);
        desktop_.moveButton({grip.x + 6, grip.y}, 1);
        desktop_.moveButton(targets[random_() % std::size(targets)], 6);
        desktop_.releaseButton();
        std::this_thread::sleep_for(30ms);
    }
    void activateAnother() { desktop_.activate(pick()); }
    // One window closes and another opens: the desktop keeps its size.
    void replaceWindow() {
        const size_t index = random_() % windows_.size();
        desktop_.closeWindow(windows_[index]);
        windows_.erase(windows_.begin() + static_cast<long>(index));
        openWindow();
    }
    // Every window closed and a new one opened: no group (and so no divider) is left,
    // so what the program still holds then is its own.
    void renewAll() {
        const size_t count = windows_.size();
        while (!windows_.empty()) {
            desktop_.closeWindow(windows_.front());
            windows_.pop_front();
        }
        for (size_t i = 0; i < count; ++i) openWindow();
        std::this_thread::sleep_for(2s);
    }
    // A press on a fresh window must still land: the program answers.
    bool answers() {
        Window w = pick();
        desktop_.activate(w);
        return static_cast<bool>(desktop_.pressAndExpect(w, XK_Return, zone::maximized));
    }

  private:
    Window pick() { return windows_[random_() % windows_.size()]; }
    void openWindow() {
        const int n = ++opened_;
        windows_.push_back(desktop_.startTestClient(
            {"soak " + std::to_string(n),
             {"--geometry",
              std::to_string(300 + n % 5 * 40) + "x" + std::to_string(200 + n % 3 * 50) + "+" +
                  std::to_string(50 + n * 37 % 900) + "+" + std::to_string(40 + n * 53 % 500)}}));
    }

    Desktop desktop_;
    std::deque<Window> windows_;
    std::mt19937 random_;
    int opened_ = 0;
};

double mib(long kib) {
    return kib / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    const int presses = option(argc, argv, "--presses", 10000);
    const int drags = option(argc, argv, "--drags", 1000);
    const int windows = option(argc, argv, "--windows", 30);
    const long tick = sysconf(_SC_CLK_TCK);
    const auto began = std::chrono::steady_clock::now();
    Soak soak(windows);
    Desktop& desktop = soak.desktop();
    bool alive = true;
    auto check = [&](const char* when) {
        if (!desktop.kelvraRunning() || !soak.answers()) {
            std::printf("soak: FAIL: the program %s %s\n",
                        desktop.kelvraRunning() ? "stopped answering" : "is gone", when);
            alive = false;
        }
        return alive;
    };

    // Warm-up: every lazily made part (previews, dividers, caches) exists afterwards.
    for (int i = 0; i < 100; ++i) soak.press();
    for (int i = 0; i < 10; ++i) soak.drag();
    soak.replaceWindow();
    check("after the warm-up");
    soak.renewAll();
    const Sample start = measure(desktop);
    long peak = start.rssKiB;
    std::printf("soak: start RSS %.1f MiB, %ld fds, %ld X resources on %ld connections\n",
                mib(start.rssKiB), start.fds, start.xResources, start.xClients);

    const auto loopBegan = std::chrono::steady_clock::now();
    const int pressesPerDrag = drags > 0 ? std::max(1, presses / drags) : presses + 1;
    int dragsDone = 0;
    for (int i = 1; i <= presses && alive; ++i) {
        soak.press();
        if (i % 10 == 0) soak.activateAnother();
        if (i % pressesPerDrag == 0 && dragsDone < drags) {
            soak.drag();
            ++dragsDone;
        }
        if (i % 50 == 0) soak.replaceWindow();
        if (i % 500 == 0 && check("during the run")) {
            const Sample s = measure(desktop);
            peak = std::max(peak, s.rssKiB);
            std::printf(
                "soak: %5d presses, %4d drags, %4d windows opened: RSS %.1f MiB, %ld fds, "
                "%ld X resources\n",
                i, dragsDone, soak.opened(), mib(s.rssKiB), s.fds, s.xResources);
            std::fflush(stdout);
        }
    }
    while (alive && dragsDone < drags) {
        soak.drag();
        ++dragsDone;
    }
    if (alive) check("at the end");
    const double loopSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - loopBegan).count();
    int failures = alive ? 0 : 1;
    if (alive) {
        // Quiet: nothing pressed or moved for a while.
        soak.renewAll();
        std::this_thread::sleep_for(1s);
        const Sample end = measure(desktop);
        std::this_thread::sleep_for(5s);
        const long idleTicks = cpuTicks(desktop.kelvraPid()) - end.cpuTicks;
        const double during = double(end.cpuTicks - start.cpuTicks) / tick / loopSeconds;
        const double after = double(idleTicks) / tick / 5.0;
        peak = std::max({peak, end.rssKiB, end.peakKiB});
        auto verdict = [&](bool ok) {
            failures += !ok;
            return ok ? "ok" : "FAIL";
        };
        std::printf("soak: %d presses, %d drags, %d windows opened and closed (%d open), %.0f s\n",
                    presses, dragsDone, soak.opened() - windows, windows, loopSeconds);
        std::printf(
            "soak: RSS start %.1f MiB, end %.1f MiB, peak %.1f MiB (bound: +%.0f MiB): %s\n",
            mib(start.rssKiB), mib(end.rssKiB), mib(peak), mib(rssBoundKiB),
            verdict(end.rssKiB - start.rssKiB <= rssBoundKiB));
        std::printf("soak: open fds start %ld, end %ld: %s\n", start.fds, end.fds,
                    verdict(end.fds <= start.fds));
        std::printf("soak: X resources start %ld, end %ld (%ld connections; bound: +%ld): %s\n",
                    start.xResources, end.xResources, end.xClients, xResourceBound,
                    verdict(end.xResources - start.xResources <= xResourceBound &&
                            end.xClients == start.xClients));
        std::string types;
        for (const auto& [name, count] : end.byType)
            types += " " + name + " " +
                     std::to_string(start.byType.count(name) ? start.byType.at(name) : 0) + "->" +
                     std::to_string(count);
        std::printf("soak: X resources by type (start->end):%s\n", types.c_str());
        std::printf("soak: CPU %.1f %% of a core during the run, %.1f %% in the 5 s after: %s\n",
                    100 * during, 100 * after, verdict(after <= idleCpuBound));
    }
    const double total =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("soak: %s in %.0f s\n", failures ? "FAILED" : "passed", total);
    return failures ? 1 : 0;
}
