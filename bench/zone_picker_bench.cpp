// The zone picker as a user meets it, on Xvfb under openbox: from the XTest press of
// Ctrl+Alt+Space to the picker's window mapped, and to the picker holding the keyboard
// (the focused window is told of the grab; from then on a key reaches the picker). Each round
// closes the picker with Escape.
//
//   zone_picker_bench [--presses N]
#include <gtest/gtest.h>  // before Xlib: the harness reports through it

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "Harness.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using kelvra::e2e::Desktop;

double quantile(std::vector<double> values, double q) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t i = static_cast<size_t>(q * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(i, values.size() - 1)];
}

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Reads events until `wanted` accepts one; false after the deadline.
bool waitForEvent(Display* d, std::chrono::milliseconds deadline,
                  const std::function<bool(const XEvent&)>& wanted) {
    auto end = Clock::now() + deadline;
    while (Clock::now() < end) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (wanted(e)) return true;
        }
        // Woken by the event's arrival, not by a tick.
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, 2);
    }
    return false;
}

// Waits for an override-redirect window to be mapped; 0 after the deadline.
Window waitForOverrideMap(Display* d, std::chrono::milliseconds deadline) {
    Window mapped = 0;
    waitForEvent(d, deadline, [&](const XEvent& e) {
        if (e.type != MapNotify || !e.xmap.override_redirect) return false;
        mapped = e.xmap.window;
        return true;
    });
    return mapped;
}

bool isViewable(Display* d, Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

}  // namespace

int main(int argc, char** argv) {
    int presses = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--presses") presses = std::max(1, std::atoi(argv[i + 1]));
    }
    try {
        Desktop desktop;
        desktop.startKelvra();
        Window window = desktop.startTestClient(
            {.title = "bench", .arguments = {"--geometry", "400x300+200+150"}});
        desktop.activate(window);
        Display* d = desktop.display();
        XSelectInput(d, desktop.root(), SubstructureNotifyMask);
        XSelectInput(d, window, FocusChangeMask);
        XSync(d, False);
        KeyCode escape = XKeysymToKeycode(d, XK_Escape);

        std::vector<double> mapped, holding;
        int missed = 0;
        for (int i = 0; i < presses; ++i) {
            while (XPending(d)) {
                XEvent e;
                XNextEvent(d, &e);
            }
            auto start = Clock::now();
            desktop.pressShortcut(XK_space);
            Window panel = waitForOverrideMap(d, 3s);
            if (!panel) {
                ++missed;
                continue;
            }
            mapped.push_back(millisSince(start));
            // The focused window hears of the picker's grab as a focus change.
            if (waitForEvent(d, 3s, [&](const XEvent& e) {
                    return e.type == FocusOut && e.xfocus.window == window &&
                           e.xfocus.mode == NotifyGrab;
                }))
                holding.push_back(millisSince(start));
            XTestFakeKeyEvent(d, escape, True, CurrentTime);
            XTestFakeKeyEvent(d, escape, False, CurrentTime);
            XSync(d, False);
            if (!Desktop::waitUntil([&] { return !isViewable(d, panel); })) ++missed;
        }

        std::printf("\nZone picker benchmark: Xvfb 1440x900, openbox, %d presses\n\n", presses);
        std::printf("%-44s %10s %10s %8s\n", "", "median", "p95", "missed");
        std::printf("%-44s %7.2f ms %7.2f ms %8d\n", "Ctrl+Alt+Space -> picker window mapped",
                    quantile(mapped, 0.5), quantile(mapped, 0.95), missed);
        std::printf("%-44s %7.2f ms %7.2f ms\n", "Ctrl+Alt+Space -> picker holds the keyboard",
                    quantile(holding, 0.5), quantile(holding, 0.95));
        return missed > 0 ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "hud_bench: %s\n", e.what());
        return 1;
    }
}
