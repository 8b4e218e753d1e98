#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ax/AXWindow.h"
#include "engine/SnapEngine.h"
#include "geometry/ScreenInfo.h"
#include "platform/sim/SimDesktop.h"
#include "settings/AppSettings.h"

namespace kelvra::test {

// One 1440 x 900 screen with a 25-point menu bar, gap 10, no padding, and an engine
// whose callbacks write to `events`.
class SnapEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop.install();
        desktop.addScreenTopLeft({0, 0, 1440, 900}, {0, 25, 1440, 875});
        settings = std::make_unique<AppSettings>(desktop.defaults());
        settings->windowGap.set(10);
        settings->screenPadding.set(0);
        engine = std::make_unique<SnapEngine>(*settings);
        hooks.push_back(engine->onSnap.connect(
            [this](const AXWindow&, ZoneID z, const Rect& f, const ScreenInfo& s) {
                events.push_back("snap " + std::string(rawValue(z)));
                lastSnapFrame = f;
                lastSnapScreen = s.screen.id;
            }));
        hooks.push_back(
            engine->onDidSnap.connect([this](const AXWindow&, ZoneID z, const ScreenInfo&) {
                events.push_back("didSnap " + std::string(rawValue(z)));
            }));
        hooks.push_back(
            engine->onDetach.connect([this](const AXWindow&) { events.push_back("detach"); }));
        pid = desktop.addApp({});
    }

    AXWindow window(const Rect& frame = {100, 100, 800, 600}, Size minSize = {0, 0}) {
        return *AXWindow::make(desktop.addWindow(pid, {.frame = frame, .minSize = minSize}));
    }
    ScreenInfo screen(size_t i = 0) { return ScreenInfo::all().at(i); }
    Rect frameOf(const AXWindow& w) { return desktop.windowFrame(w.element()); }
    size_t stackDepth(const AXWindow& w) {
        auto* s = engine->restoreStack(w);
        return s ? s->size() : 0;
    }
    std::optional<ZoneID> snappedZone(const AXWindow& w) {
        auto it = engine->snappedWindows.find(w);
        if (it == engine->snappedWindows.end()) return std::nullopt;
        return it->second.zone;
    }
    void press(const AXWindow& w, SnapAction a) { engine->performShortcutSnap(w, a, screen()); }

    sim::SimDesktop desktop;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<SnapEngine> engine;
    int32_t pid = 0;
    std::vector<std::string> events;
    std::vector<Subscription> hooks;
    Rect lastSnapFrame;
    uint64_t lastSnapScreen = 0;
};

}  // namespace kelvra::test
