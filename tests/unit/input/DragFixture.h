#pragma once

#include <cmath>

#include "input/DragMonitor.h"
#include "input/ManagerSnappingConflict.h"
#include "unit/EngineDesktop.h"

namespace kelvra::test {

// The engine's desktop with a running drag monitor whose zone changes are recorded, and a
// window of another application at (100, 100, 800 x 600). The helpers play the user and
// the window manager: the window follows the cursor.
class DragFixture : public EngineDesktopTest {
  public:
    // Time between two drag events: a fast pointer.
    static constexpr double eventInterval = 0.008;

    void SetUp() override {
        EngineDesktopTest::SetUp();
        desktop.setCanControlWindows(true);
        startMonitor();
        pid = desktop.addApp({"org.example.editor", "Editor"});
        window = desktop.addWindow(pid);
    }

    // A new drag monitor, recorded as the first was; with `managerSnapping`, it yields to
    // the window manager's own edge snapping.
    void startMonitor(ManagerSnappingConflict* managerSnapping = nullptr) {
        monitor.reset();
        monitor = std::make_unique<DragMonitor>(*settings, *engine, managerSnapping);
        hook = monitor->onZoneChange.connect([this](const std::optional<ZoneID>& zone,
                                                    const std::optional<Rect>& frame,
                                                    const std::optional<ScreenInfo>& screen) {
            EXPECT_EQ(zone.has_value(), frame.has_value());
            EXPECT_EQ(zone.has_value(), screen.has_value());
            zones.push_back(zone);
            if (frame) lastPreview = *frame;
        });
        monitor->start();
    }

    std::optional<ZoneID> shownZone() const { return zones.empty() ? std::nullopt : zones.back(); }
    Rect frameOf(port::WindowRef w) const { return desktop.windowFrame(w); }
    size_t calls(const char* op) const {
        size_t n = 0;
        for (const auto& c : desktop.windowCalls()) n += c.op == op;
        return n;
    }

    void press(Point p) {
        cursor = p;
        desktop.emitMouse({port::MouseEvent::Type::leftDown, p, false});
    }
    // One drag event at `p`; the grabbed window (if any) moves along as the window
    // manager would move it.
    void dragTo(Point p, bool functionKey = false) {
        desktop.runLoop().advance(eventInterval);
        if (grabbed) {
            Rect f = frameOf(*grabbed);
            f.x += p.x - cursor.x;
            f.y += p.y - cursor.y;
            desktop.userSetFrame(*grabbed, f);
        }
        cursor = p;
        desktop.emitMouse({port::MouseEvent::Type::leftDragged, p, functionKey});
    }
    // Drags in straight steps of at most `step` points to `p`.
    void glideTo(Point p, double step = 20) {
        const Point from = cursor;
        const double d = std::hypot(p.x - from.x, p.y - from.y);
        const int n = std::max(1, int(std::ceil(d / step)));
        for (int i = 1; i <= n; ++i)
            dragTo({from.x + (p.x - from.x) * i / n, from.y + (p.y - from.y) * i / n});
    }
    void release() { desktop.emitMouse({port::MouseEvent::Type::leftUp, cursor, false}); }
    // Presses on the window at `p` and pulls it 5 points to the right: the drag is
    // recognised while the press point is still on the window, as with a real pointer.
    void grab(Point p = {300, 110}) {
        grabbed = window;
        press(p);
        dragTo({p.x + 5, p.y});
    }
    // The whole gesture: grab the title bar, glide to `p`, release.
    void dragWindowTo(Point p) {
        grab();
        glideTo(p);
        release();
    }

    std::unique_ptr<DragMonitor> monitor;
    Subscription hook;
    std::vector<std::optional<ZoneID>> zones;
    Rect lastPreview;
    int32_t pid = 0;
    port::WindowRef window{};
    std::optional<port::WindowRef> grabbed;
    Point cursor;
};

}  // namespace kelvra::test
