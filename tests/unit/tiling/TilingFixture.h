#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ax/AXWindow.h"
#include "engine/SnapEngine.h"
#include "geometry/ScreenInfo.h"
#include "platform/sim/SimDesktop.h"
#include "settings/AppSettings.h"
#include "tiling/TileGroupManager.h"

namespace kelvra::test {

// One 1440 x 900 screen with a 25-point bar at the top, gap 10, no padding, minimum
// window width 300, an engine and a tile-group manager.
class TilingTest : public ::testing::Test {
  public:
    void SetUp() override {
        desktop.install();
        desktop.addScreenTopLeft({0, 0, 1440, 900}, {0, 25, 1440, 875});
        settings = std::make_unique<AppSettings>(desktop.defaults());
        settings->windowGap.set(10);
        settings->screenPadding.set(0);
        settings->minWindowWidth.set(300);
        engine = std::make_unique<SnapEngine>(*settings);
        tiles = std::make_unique<TileGroupManager>(*settings, *engine);
        pid = desktop.addApp({});
    }

    AXWindow window(Size minSize = {0, 0}) {
        return *AXWindow::make(
            desktop.addWindow(pid, {.frame = {200, 200, 500, 400}, .minSize = minSize}));
    }
    AXWindow snapped(ZoneID zone, Size minSize = {0, 0}) {
        auto w = window(minSize);
        engine->snap(w, zone, screen());
        desktop.runLoop().runPending();
        return w;
    }
    ScreenInfo screen() { return ScreenInfo::all().at(0); }
    Rect frameOf(const AXWindow& w) { return desktop.windowFrame(w.element()); }
    // The user (through the window manager) gives the window a frame; its events arrive.
    void userSets(const AXWindow& w, const Rect& frame) {
        desktop.userSetFrame(w.element(), frame);
        desktop.runLoop().runPending();
    }
    size_t frameWrites(const AXWindow& w) {
        size_t n = 0;
        for (const auto& c : desktop.windowCalls())
            if (c.op == "setFrame" && c.window == w.element()) ++n;
        return n;
    }
    size_t dividerCount() { return desktop.surfaces().count(port::SurfaceKind::divider); }
    // The living divider surface over the edge at index i.
    sim::SimSurfaces::State dividerOver(size_t i) {
        Rect frame = Divider::frameFor(tiles->edges().at(i));
        for (const auto& s : desktop.surfaces().all())
            if (s.alive && s.kind == port::SurfaceKind::divider && s.frame == frame) return s;
        ADD_FAILURE() << "no divider over edge " << i;
        return {};
    }
    void pointer(uint64_t surface, port::SurfacePointer::Phase phase, Point at, int clicks = 1) {
        desktop.surfaces().sendPointer(surface, {phase, at, clicks});
    }

    sim::SimDesktop desktop;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<SnapEngine> engine;
    std::unique_ptr<TileGroupManager> tiles;
    int32_t pid = 0;
};

}  // namespace kelvra::test
