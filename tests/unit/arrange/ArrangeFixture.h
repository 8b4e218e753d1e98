#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "ax/AXWindow.h"
#include "engine/SnapEngine.h"
#include "platform/sim/SimDesktop.h"
#include "settings/AppSettings.h"

namespace kelvra::test {

// One 1440 x 900 screen with a 25-point panel on top, gap 10, no padding, and an engine.
class ArrangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop.install();
        desktop.addScreenTopLeft({0, 0, 1440, 900}, {0, 25, 1440, 875});
        settings = std::make_unique<AppSettings>(desktop.defaults());
        settings->windowGap.set(10);
        settings->screenPadding.set(0);
        engine = std::make_unique<SnapEngine>(*settings);
    }

    int32_t app(const std::string& id) { return desktop.addApp({id, id + " App"}); }
    AXWindow window(int32_t pid, const Rect& frame, std::optional<std::string> title = "Untitled") {
        return *AXWindow::make(desktop.addWindow(pid, {.frame = frame, .title = std::move(title)}));
    }
    Rect frameOf(const AXWindow& w) { return desktop.windowFrame(w.element()); }
    // The frame of a built-in zone on the first screen.
    Rect zone(ZoneID z) { return frame(z, Rect(0, 25, 1440, 875), 10, 0); }

    sim::SimDesktop desktop;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<SnapEngine> engine;
};

}  // namespace kelvra::test
