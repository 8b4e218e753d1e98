#pragma once

#include "tiling/TileGroupManager.h"
#include "unit/EngineDesktop.h"

namespace kelvra::test {

// The engine's desktop with a minimum window width of 300 and a tile-group manager.
class TilingTest : public EngineDesktopTest {
  public:
    void SetUp() override {
        EngineDesktopTest::SetUp();
        settings->minWindowWidth.set(300);
        tiles = std::make_unique<TileGroupManager>(*settings, *engine);
        pid = desktop.addApp({});
    }

    WindowHandle window(Size minSize = {0, 0}) {
        return *WindowHandle::make(
            desktop.addWindow(pid, {.frame = {200, 200, 500, 400}, .minSize = minSize}));
    }
    WindowHandle snapped(ZoneID zone, Size minSize = {0, 0}) {
        auto w = window(minSize);
        engine->snap(w, zone, screen());
        desktop.runLoop().runPending();
        return w;
    }
    // The user (through the window manager) gives the window a frame; its events arrive.
    void userSets(const WindowHandle& w, const Rect& frame) {
        desktop.userSetFrame(w.element(), frame);
        desktop.runLoop().runPending();
    }
    size_t frameWrites(const WindowHandle& w) {
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

    std::unique_ptr<TileGroupManager> tiles;
    int32_t pid = 0;
};

}  // namespace kelvra::test
