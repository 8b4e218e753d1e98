#pragma once

#include <string>
#include <vector>

#include "unit/EngineDesktop.h"

namespace kelvra::test {

// The engine's desktop, with the engine's callbacks written to `events`.
class SnapEngineTest : public EngineDesktopTest {
  protected:
    void SetUp() override {
        EngineDesktopTest::SetUp();
        hooks.push_back(engine->onSnap.connect(
            [this](const WindowHandle&, ZoneID z, const Rect& f, const ScreenInfo& s) {
                events.push_back("snap " + std::string(rawValue(z)));
                lastSnapFrame = f;
                lastSnapScreen = s.screen.id;
            }));
        hooks.push_back(
            engine->onDidSnap.connect([this](const WindowHandle&, ZoneID z, const ScreenInfo&) {
                events.push_back("didSnap " + std::string(rawValue(z)));
            }));
        hooks.push_back(
            engine->onDetach.connect([this](const WindowHandle&) { events.push_back("detach"); }));
        pid = desktop.addApp({});
    }

    WindowHandle window(const Rect& frame = {100, 100, 800, 600}, Size minSize = {0, 0}) {
        return *WindowHandle::make(desktop.addWindow(pid, {.frame = frame, .minSize = minSize}));
    }
    size_t stackDepth(const WindowHandle& w) {
        auto* s = engine->restoreStack(w);
        return s ? s->size() : 0;
    }
    std::optional<ZoneID> snappedZone(const WindowHandle& w) {
        auto it = engine->snappedWindows.find(w);
        if (it == engine->snappedWindows.end()) return std::nullopt;
        return it->second.zone;
    }
    void press(const WindowHandle& w, SnapAction a) { engine->performShortcutSnap(w, a, screen()); }

    int32_t pid = 0;
    std::vector<std::string> events;
    std::vector<Subscription> hooks;
    Rect lastSnapFrame;
    uint64_t lastSnapScreen = 0;
};

}  // namespace kelvra::test
