// Windows that behave as real applications do, each snapped with a shortcut: the user
// sees the zone filled, or the nearest the application allows.
#include <X11/keysym.h>

#include <functional>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

struct Extents {
    double left = 0, right = 0, top = 0, bottom = 0;
};

Extents frameExtents(const Desktop& desktop, Window w) {
    auto e = desktop.property(w, "_NET_FRAME_EXTENTS");
    if (e.size() != 4) return {};
    return {double(e[0]), double(e[1]), double(e[2]), double(e[3])};
}

TEST(ClientKinds, EachKindOfApplicationWindowSnapsAsTheUserExpects) {
    Desktop desktop;
    desktop.startKelvra();
    using zone::leftHalf;
    // At the zone's top-left corner, with the client size a limit allows (decorations
    // added; 0: the zone's own): the manager, or Kelvra without one, keeps the limit.
    auto limited = [&](double clientWidth, double clientHeight) {
        return [=, &desktop](Window w) {
            const Extents e = frameExtents(desktop, w);
            return Box{leftHalf.x, leftHalf.y,
                       clientWidth ? clientWidth + e.left + e.right : leftHalf.width,
                       clientHeight ? clientHeight + e.top + e.bottom : leftHalf.height};
        };
    };
    auto zoneItself = [](Window) { return leftHalf; };
    const struct {
        const char* kind;
        std::vector<std::string> arguments;
        std::function<Box(Window)> expected;
        // What the user sees of the window's frame: its shadow is not part of it.
        std::function<Box(Box)> visible = [](Box b) { return b; };
        bool restoresItself = false;
    } kinds[] = {
        {"client-side decorations",
         {"--csd", "20,20,15,25"},
         zoneItself,
         [](Box b) {
             return Box{b.x + 20, b.y + 15, b.width - 40, b.height - 40};
         }},
        {"minimum size", {"--min-size", "900x300"}, limited(900, 0)},
        {"maximum size", {"--max-size", "500x400"}, limited(500, 400)},
        {"late configure", {"--late", "400"}, zoneItself},
        {"restores its geometry", {"--restore-geometry", "420x320+600+300"}, zoneItself, {}, true},
        {"no process id", {"--no-pid"}, zoneItself},
    };
    // Each window stays open: a closed one's id may come back with the next client.
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.kind);
        Window w = desktop.startTestClient({kind.kind, kind.arguments});
        if (kind.restoresItself) {
            ASSERT_TRUE(Desktop::waitUntil([&] {
                const Extents e = frameExtents(desktop, w);
                auto f = desktop.frame(w);
                return f && f->width == 420 + e.left + e.right;
            })) << "it never restored its geometry";
        }
        desktop.activate(w);
        desktop.pressShortcut(XK_Left);
        std::optional<Box> seen;
        Box expected;
        EXPECT_TRUE(Desktop::waitUntil([&] {
            expected = kind.expected(w);
            seen = desktop.frame(w);
            if (seen && kind.visible) seen = kind.visible(*seen);
            return seen && near(*seen, expected);
        })) << "expected "
            << expected << ", saw " << seen.value_or(Box{});
    }
}

}  // namespace
}  // namespace kelvra::e2e
