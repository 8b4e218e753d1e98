// Dragging a window on the simulated desktop: what one motion event costs the drag
// monitor, and how often it reads the dragged window's frame.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <optional>

#include "backends/sim/SimDesktop.h"
#include "engine/SnapEngine.h"
#include "input/DragMonitor.h"
#include "settings/AppSettings.h"

namespace kelvra {
namespace {

constexpr double eventInterval = 0.008;  // a pointer reporting at 125 Hz

// Two screens, an application window and a started monitor whose previews are counted.
struct DragDesk {
    DragDesk() {
        desktop.install();
        desktop.setCanControlWindows(true);
        desktop.addScreenTopLeft(Rect(0, 0, 1440, 900), Rect(0, 25, 1440, 875));
        desktop.addScreenTopLeft(Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1080));
        sim::SimDesktop::AppSpec app;
        app.appId = "com.example.editor";
        window = desktop.addWindow(desktop.addApp(app));
        monitor.start();
        preview = monitor.onZoneChange.connect(
            [this](const std::optional<ZoneID>&, const std::optional<Rect>&,
                   const std::optional<ScreenInfo>&) { ++previews; });
    }
    void press() {
        cursor = {300, 110};
        desktop.emitMouse({port::MouseEvent::Type::leftDown, cursor, false});
    }
    // One motion event; the window manager moves the window along first.
    void moveTo(Point p) {
        desktop.runLoop().advance(eventInterval);
        Rect f = desktop.windowFrame(window);
        f.x += p.x - cursor.x;
        f.y += p.y - cursor.y;
        desktop.userSetFrame(window, f);
        cursor = p;
        desktop.emitMouse({port::MouseEvent::Type::leftDragged, p, false});
    }
    void release() { desktop.emitMouse({port::MouseEvent::Type::leftUp, cursor, false}); }
    size_t frameReads() const {
        size_t n = 0;
        for (const auto& call : desktop.windowCalls()) n += call.op == "frame";
        return n;
    }

    sim::SimDesktop desktop;
    AppSettings settings{desktop.defaults()};
    SnapEngine engine{settings};
    DragMonitor monitor{settings, engine};
    Subscription preview;
    port::WindowRef window;
    Point cursor;
    int previews = 0;
};

// A loop through the middle of the screen, the left edge, the top-left corner and the
// top edge, so that the zone changes now and then as in a real drag.
Point pathPoint(size_t i) {
    static const std::array<Point, 8> corners{Point{700, 450},  Point{2, 450},  Point{2, 300},
                                              Point{2, 2},      Point{600, 2},  Point{900, 2},
                                              Point{1000, 450}, Point{700, 600}};
    const size_t segment = (i / 16) % corners.size();
    const double t = double(i % 16) / 16;
    const Point a = corners[segment], b = corners[(segment + 1) % corners.size()];
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

void BM_DragMotionEvent(benchmark::State& state) {
    DragDesk d;
    d.press();
    d.moveTo({700, 450});  // recognised: the drag is under way
    size_t i = 0;
    for (auto _ : state) {
        d.moveTo(pathPoint(i++));
        // The simulated desktop's call record would grow without end.
        if ((i & 4095) == 0) d.desktop.clearWindowCalls();
    }
    d.release();
    state.SetItemsProcessed(state.iterations());
    state.counters["previews"] = d.previews;
}
BENCHMARK(BM_DragMotionEvent)->Repetitions(9)->ReportAggregatesOnly(true);

// A one-second drag of 125 events, released at the left edge: frame reads per second of
// dragging, which the check interval bounds by 1 / 0.03 s (about 33).
void BM_FrameReadsDuringADrag(benchmark::State& state) {
    DragDesk d;
    size_t reads = 0;
    int64_t drags = 0;
    for (auto _ : state) {
        d.desktop.userSetFrame(d.window, Rect(100, 100, 800, 600));
        d.press();
        d.moveTo({305, 110});  // recognising the drag reads the frame once
        d.desktop.clearWindowCalls();
        const double start = d.desktop.runLoop().now();
        for (size_t i = 0; i < 125; ++i) d.moveTo(pathPoint(i * 2));
        d.moveTo({2, 450});
        const double seconds = d.desktop.runLoop().now() - start;
        reads = d.frameReads();
        if (double(reads) > seconds / DragMonitor::frameCheckInterval + 2) {
            state.SkipWithError("the dragged window's frame is read too often");
            return;
        }
        d.release();
        d.desktop.runLoop().advance(1);  // the release's read-backs
        ++drags;
    }
    state.counters["frame reads per drag second"] = double(reads) / (126 * eventInterval);
    state.SetItemsProcessed(drags);
}
BENCHMARK(BM_FrameReadsDuringADrag);

}  // namespace
}  // namespace kelvra

BENCHMARK_MAIN();
