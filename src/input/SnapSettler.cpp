#include "input/SnapSettler.h"

#include <cmath>

#include "engine/SnapEngine.h"
#include "port/Platform.h"

namespace kelvra {

SnapSettler::~SnapSettler() {
    cancel();
}

void SnapSettler::watch(const WindowHandle& window, ZoneID zone, const Rect& target) {
    cancel();
    auto it = engine_.snappedWindows.find(window);
    if (it == engine_.snappedWindows.end() || it->second.zone != zone) return;
    watched_ = window;
    zone_ = zone;
    target_ = target;
    timer_.once(*platform().runLoop, firstCheck, [this] { check(false); });
}

void SnapSettler::cancel() {
    timer_.cancel();
    watched_.reset();
}

// Size rules (minimum sizes, resize increments) may keep a window from the exact zone
// frame; the frame it got at the snap then counts, as long as it sits where the zone
// begins (a manager that ignored the snap leaves it where the drag put it instead).
bool SnapSettler::settled(const Rect& frame, const Rect& snapped) const {
    if (frame.approximatelyEquals(target_, tolerance)) return true;
    const bool atZone = std::abs(snapped.x - target_.x) <= tolerance &&
                        std::abs(snapped.y - target_.y) <= tolerance;
    return atZone && frame.approximatelyEquals(snapped, tolerance);
}

void SnapSettler::check(bool last) {
    if (!watched_) return;
    const WindowHandle window = *watched_;
    // Someone else has taken the window over since (another snap, a detach): leave it.
    auto it = engine_.snappedWindows.find(window);
    if (it == engine_.snappedWindows.end() || it->second.zone != zone_) {
        watched_.reset();
        return;
    }
    auto frame = window.frame();
    if (frame && !settled(*frame, it->second.frame)) {
        watched_.reset();
        // The registry keeps the frame the window really has, as after any snap.
        if (auto applied = window.setFrame(target_)) it->second.frame = *applied;
        return;
    }
    if (last) {
        watched_.reset();
        return;
    }
    timer_.once(*platform().runLoop, lastCheck - firstCheck, [this] { check(true); });
}

}  // namespace kelvra
