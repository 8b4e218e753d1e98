#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "backends/sim/SimDesktop.h"
#include "engine/SnapEngine.h"
#include "geometry/ScreenInfo.h"
#include "l10n/L10n.h"
#include "settings/AppSettings.h"
#include "window/WindowHandle.h"

namespace kelvra::test {

// One 1440 x 900 screen with a 25-point bar at the top, gap 10, no padding, and a snap
// engine: the desktop the engine's, tiling's and arrangements' tests start from.
class EngineDesktopTest : public ::testing::Test {
  public:
    void SetUp() override {
        desktop.install();
        desktop.addScreenTopLeft({0, 0, 1440, 900}, {0, 25, 1440, 875});
        settings = std::make_unique<AppSettings>(desktop.defaults());
        l10n = std::make_unique<L10n>();
        settings->windowGap.set(10);
        settings->screenPadding.set(0);
        engine = std::make_unique<SnapEngine>(*settings);
    }

    ScreenInfo screen(size_t i = 0) { return ScreenInfo::all().at(i); }
    // A built-in zone's frame on screen i with these settings.
    Rect zoneFrame(ZoneID zone, size_t i = 0) { return frame(zone, screen(i).visible, 10, 0); }
    Rect frameOf(const WindowHandle& w) { return desktop.windowFrame(w.element()); }

    sim::SimDesktop desktop;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<L10n> l10n;
    std::unique_ptr<SnapEngine> engine;
};

}  // namespace kelvra::test
