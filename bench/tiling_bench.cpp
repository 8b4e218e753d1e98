// Tile groups: rebuilding the shared edges of many snapped windows (with their
// dividers), and one resize step of a group on the simulated desktop.
#include <benchmark/benchmark.h>

#include <vector>

#include "backends/sim/SimDesktop.h"
#include "engine/SnapEngine.h"
#include "geometry/ScreenInfo.h"
#include "settings/AppSettings.h"
#include "tiling/TileGroupManager.h"
#include "window/WindowHandle.h"

namespace kelvra {
namespace {

struct Group {
    sim::SimDesktop desktop;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<SnapEngine> engine;
    std::unique_ptr<TileGroupManager> tiles;
    std::vector<WindowHandle> windows;

    // A grid of columns x rows windows, each joined as the engine reports a snap.
    Group(int columns, int rows) {
        desktop.install();
        desktop.addScreenTopLeft({0, 0, 1440, 900}, {0, 25, 1440, 875});
        settings = std::make_unique<AppSettings>(desktop.defaults());
        settings->windowGap.set(10);
        settings->minWindowWidth.set(100);
        engine = std::make_unique<SnapEngine>(*settings);
        tiles = std::make_unique<TileGroupManager>(*settings, *engine);
        int32_t pid = desktop.addApp({});
        double w = 1440.0 / columns, h = 875.0 / rows;
        auto screen = ScreenInfo::all().at(0);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                Rect frame{c * w, 25 + r * h, w - 10, h - 10};
                auto window = *WindowHandle::make(desktop.addWindow(pid, {.frame = frame}));
                windows.push_back(window);
                engine->onSnap.emit(window, ZoneID::leftHalf, frame, screen);
            }
        }
    }
};

void BM_RebuildSharedEdgesOf50Windows(benchmark::State& state) {
    Group group(10, 5);
    for (auto _ : state) group.tiles->rebuildEdges();
    state.counters["edges"] = static_cast<double>(group.tiles->edges().size());
}
BENCHMARK(BM_RebuildSharedEdgesOf50Windows)->Unit(benchmark::kMicrosecond);

// The user widens the left window of a pair and the right one follows: one step.
void BM_OneResizeStep(benchmark::State& state) {
    Group group(2, 1);
    auto& desktop = group.desktop;
    auto left = group.windows[0], right = group.windows[1];
    Rect frame = desktop.windowFrame(left.element());
    size_t writes = 0, ownWrites = 0, steps = 0;
    for (auto _ : state) {
        frame.width = (steps % 2) ? 700 : 760;
        desktop.clearWindowCalls();
        desktop.userSetFrame(left.element(), frame);
        desktop.runLoop().advance(0.02);
        for (const auto& call : desktop.windowCalls())
            if (call.op == "setFrame") ++(call.window == right.element() ? writes : ownWrites);
        ++steps;
    }
    state.counters["writesToTheResized"] =
        static_cast<double>(ownWrites) / static_cast<double>(steps);
    state.counters["writesPerNeighbour"] = static_cast<double>(writes) / static_cast<double>(steps);
}
BENCHMARK(BM_OneResizeStep)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelvra

BENCHMARK_MAIN();
