// The core's hot paths: the zone arithmetic, a whole shortcut snap (frame reads, the
// write sequence, the read-back and the registry) and opening the zone picker, on the
// simulated desktop.
#include <benchmark/benchmark.h>

#include <optional>

#include "backends/sim/SimDesktop.h"
#include "base/ZoneID.h"
#include "engine/SnapEngine.h"
#include "geometry/ScreenInfo.h"
#include "geometry/SnapAction.h"
#include "input/ZonePickerController.h"
#include "l10n/L10n.h"
#include "settings/AppSettings.h"
#include "window/WindowHandle.h"

namespace kelvra {
namespace {

void BM_ZoneFrameOfEveryZone(benchmark::State& state) {
    const Rect visible(0, 25, 1440, 875);
    for (auto _ : state) {
        for (ZoneID zone : allZoneIDs()) {
            benchmark::DoNotOptimize(frame(zone, visible, 10, 8));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(zoneCount));
}
BENCHMARK(BM_ZoneFrameOfEveryZone);

void BM_ShortcutSnapOnTheSimulatedDesktop(benchmark::State& state) {
    sim::SimDesktop desktop;
    desktop.install();
    desktop.addScreenTopLeft(Rect(0, 0, 1440, 900), Rect(0, 25, 1440, 875));
    desktop.addScreenTopLeft(Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1080));
    sim::SimDesktop::AppSpec app;
    app.appId = "com.example.editor";
    app.localizedName = "Editor";
    const int32_t pid = desktop.addApp(app);
    const auto element = desktop.addWindow(pid);
    AppSettings settings(desktop.defaults());
    SnapEngine engine(settings);
    const std::optional<WindowHandle> window = WindowHandle::make(element);
    if (!window) {
        state.SkipWithError("the simulated window has no handle");
        return;
    }
    const std::optional<ScreenInfo> screen = ScreenInfo::containing(*window->frame());
    // Alternating actions: each press is a fresh snap, not a repeat that cycles.
    const SnapAction actions[] = {SnapAction::snapLeftHalf, SnapAction::snapTopRight,
                                  SnapAction::snapCenterThird, SnapAction::maximize};
    size_t i = 0;
    for (auto _ : state) {
        engine.performShortcutSnap(*window, actions[i++ % 4], *screen);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShortcutSnapOnTheSimulatedDesktop);

// From the picker's shortcut to its surface visible: the cells and labels, the
// placement under the pointer, the surface and the first step of the fade. Each show
// replaces the panel of the one before, as a second press of the shortcut would.
void BM_ZonePickerShowOnTheSimulatedDesktop(benchmark::State& state) {
    sim::SimDesktop desktop;
    desktop.install();
    desktop.addScreenTopLeft(Rect(0, 0, 1440, 900), Rect(0, 25, 1440, 875));
    desktop.addScreenTopLeft(Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1080));
    desktop.setPointerLocation(Point{2000, 500});
    L10n l10n;
    ZonePickerController zonePicker(l10n);
    for (auto _ : state) {
        zonePicker.show();
        benchmark::DoNotOptimize(zonePicker.hasVisiblePanel());
    }
    if (!desktop.surfaces().find(port::SurfaceKind::zonePicker)->visible)
        state.SkipWithError("the picker's surface is not visible");
    state.SetItemsProcessed(state.iterations());
}
// The simulated desktop keeps a record of every surface made: a bounded count.
BENCHMARK(BM_ZonePickerShowOnTheSimulatedDesktop)->Iterations(20000);

}  // namespace
}  // namespace kelvra

BENCHMARK_MAIN();
