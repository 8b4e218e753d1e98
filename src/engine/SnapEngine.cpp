#include "engine/SnapEngine.h"

#include <algorithm>
#include <sstream>
#include <string>

#include "port/Platform.h"
#include "settings/AppSettings.h"

namespace kelvra {

namespace {

// Repeated presses of one of these zones' actions walk through the zone's list.
const std::vector<ZoneID>* cycleList(ZoneID zone) {
    static const std::vector<ZoneID> left = {ZoneID::leftHalf, ZoneID::leftTwoThirds,
                                             ZoneID::leftThird};
    static const std::vector<ZoneID> right = {ZoneID::rightHalf, ZoneID::rightTwoThirds,
                                              ZoneID::rightThird};
    static const std::vector<ZoneID> maximizing = {ZoneID::maximize, ZoneID::almostMaximize};
    switch (zone) {
        case ZoneID::leftHalf:
        case ZoneID::leftTwoThirds:
        case ZoneID::leftThird:
            return &left;
        case ZoneID::rightHalf:
        case ZoneID::rightTwoThirds:
        case ZoneID::rightThird:
            return &right;
        case ZoneID::maximize:
        case ZoneID::almostMaximize:
            return &maximizing;
        default:
            return nullptr;
    }
}

// Hit-test band widths, in points from the screen's edges.
constexpr double cornerSize = 24;
constexpr double edgeSize = 8;

bool usable(const Rect& r) {
    return !r.isEmpty() && r.isFinite();
}

// Why a zone's frame came out empty, naming the settings to change.
std::string noRoomCause(const Rect& visible, double gap, double padding) {
    std::ostringstream s;
    s << "windows are left alone: ";
    if (!usable(visible)) {
        s << "the screen's visible area " << visible.width << "x" << visible.height << " is empty";
    } else if (!usable(visible.insetBy(padding, padding))) {
        s << "screenPadding " << padding << " leaves no room in the " << visible.width << "x"
          << visible.height << " screen area";
    } else {
        s << "windowGap " << gap << " leaves no room for the zones (screenPadding " << padding
          << ", screen area " << visible.width << "x" << visible.height << ")";
    }
    return s.str();
}

}  // namespace

SnapEngine::SnapEngine(AppSettings& settings) : settings_(settings) {}

const std::vector<Rect>* SnapEngine::restoreStack(const WindowHandle& window) const {
    auto it = restoreStack_.find(window);
    return it == restoreStack_.end() ? nullptr : &it->second;
}

std::optional<Rect> SnapEngine::zoneFrame(ZoneID zone, const Rect& old,
                                          const ScreenInfo& screen) const {
    Rect target;
    if (zone == ZoneID::center) {
        const Rect& v = screen.visible;
        target =
            Rect(v.midX() - old.width * 0.5, v.midY() - old.height * 0.5, old.width, old.height);
        if (!target.isFinite()) return std::nullopt;
        return target;
    }
    target = frame(zone, screen.visible, settings_.windowGap(), settings_.screenPadding());
    if (!usable(target)) return std::nullopt;
    return target;
}

void SnapEngine::snap(const WindowHandle& window, ZoneID zone, const ScreenInfo& screen) {
    auto old = window.frame();
    if (!old) return;

    auto target = zoneFrame(zone, *old, screen);
    if (zone != ZoneID::center) {
        // No room for the zone (over-sized padding, broken screen data): leave the window,
        // and say why once per cause rather than on every press.
        if (!target) {
            auto cause =
                noRoomCause(screen.visible, settings_.windowGap(), settings_.screenPadding());
            if (cause != noRoomLogged_) logLine(noRoomLogged_ = cause);
            return;
        }
        noRoomLogged_.clear();
    }
    if (!target) return;

    watch(window);
    if (!snappedWindows.contains(window)) {
        auto& stack = restoreStack_[window];
        stack.push_back(*old);
        if (stack.size() > restoreDepth) stack.erase(stack.begin());
    }

    // The application may refuse the exact frame (minimum sizes): keep what it took.
    Rect actual = window.setFrame(*target).value_or(*target);

    if (zone == ZoneID::center) {
        snappedWindows.erase(window);
        return;
    }
    snappedWindows.insert_or_assign(window, Snapped{zone, actual});
    onSnap.emit(window, zone, actual, screen);
    onDidSnap.emit(window, zone, screen);
}

void SnapEngine::watch(const WindowHandle& window) {
    ended_.clear();
    if (watched_.contains(window)) return;
    watched_.emplace(window, platform().windows->onWindowEvent(
                                 window.element(), [this, window](port::WindowEvent event) {
                                     if (event == port::WindowEvent::destroyed) forget(window);
                                 }));
}

void SnapEngine::forget(const WindowHandle& window) {
    restoreStack_.erase(window);
    snappedWindows.erase(window);
    if (lastShortcutSnap_ && lastShortcutSnap_->window == window) lastShortcutSnap_.reset();
    if (auto it = watched_.find(window); it != watched_.end()) {
        ended_.push_back(std::move(it->second));
        watched_.erase(it);
    }
}

ZoneID SnapEngine::shortcutZone(const WindowHandle& window, SnapAction action, ZoneID zone,
                                double now) const {
    if (lastShortcutSnap_ && lastShortcutSnap_->window == window &&
        lastShortcutSnap_->action == action && now - lastShortcutSnap_->date < repeatWindow) {
        if (const auto* list = cycleList(zone)) {
            auto it = std::find(list->begin(), list->end(), lastShortcutSnap_->zone);
            if (it != list->end()) {
                ++it;
                return it == list->end() ? list->front() : *it;
            }
        }
    }
    return zone;
}

void SnapEngine::performShortcutSnap(const WindowHandle& window, SnapAction action,
                                     const ScreenInfo& screen) {
    auto actionZone = kelvra::zone(action);
    if (!actionZone) return;
    const double now = platform().runLoop->now();
    const ZoneID target = shortcutZone(window, action, *actionZone, now);
    snap(window, target, screen);
    lastShortcutSnap_ = ShortcutSnap{window, action, target, now};
}

std::optional<Rect> SnapEngine::shortcutFrame(const WindowHandle& window, SnapAction action,
                                              const ScreenInfo& screen) const {
    auto actionZone = kelvra::zone(action);
    auto old = window.frame();
    if (!actionZone || !old) return std::nullopt;
    return zoneFrame(shortcutZone(window, action, *actionZone, platform().runLoop->now()), *old,
                     screen);
}

std::optional<double> SnapEngine::cycleEnds(const WindowHandle& window) const {
    if (!lastShortcutSnap_ || lastShortcutSnap_->window != window) return std::nullopt;
    const double ends = lastShortcutSnap_->date + repeatWindow;
    if (ends <= platform().runLoop->now()) return std::nullopt;
    return ends;
}

void SnapEngine::restore(const WindowHandle& window) {
    auto it = restoreStack_.find(window);
    if (it == restoreStack_.end() || it->second.empty()) return;
    Rect previous = it->second.back();
    it->second.pop_back();
    snappedWindows.erase(window);
    onDetach.emit(window);
    window.setFrame(previous);
}

void SnapEngine::moveToNextDisplay(const WindowHandle& window) {
    auto w = window.frame();
    if (!w) return;
    auto current = ScreenInfo::containing(*w);
    if (!current) return;

    auto screens = ScreenInfo::all();
    std::stable_sort(screens.begin(), screens.end(), [](const ScreenInfo& a, const ScreenInfo& b) {
        return a.frame.x < b.frame.x;
    });
    if (screens.size() < 2) return;
    auto here = std::find_if(screens.begin(), screens.end(),
                             [&](const ScreenInfo& s) { return s.sameDisplay(*current); });
    if (here == screens.end()) return;
    const ScreenInfo& next =
        screens[(static_cast<size_t>(here - screens.begin()) + 1) % screens.size()];

    if (auto snapped = snappedWindows.find(window); snapped != snappedWindows.end()) {
        snap(window, snapped->second.zone, next);
        return;
    }

    const Rect& c = current->visible;
    const Rect& n = next.visible;
    // A screen without a visible area cannot serve as the reference for the mapping.
    if (!usable(c) || !usable(n)) return;
    const double rx = (w->minX() - c.minX()) / c.width;
    const double ry = (w->minY() - c.minY()) / c.height;
    const double rw = w->width / c.width;
    const double rh = w->height / c.height;
    window.setFrame(
        Rect(n.minX() + rx * n.width, n.minY() + ry * n.height, rw * n.width, rh * n.height));
}

std::optional<Size> SnapEngine::detachForDrag(const WindowHandle& window, Point cursor) {
    if (!snappedWindows.contains(window)) return std::nullopt;
    auto stack = restoreStack_.find(window);
    if (stack == restoreStack_.end() || stack->second.empty()) return std::nullopt;
    const Rect saved = stack->second.back();
    auto f = window.frame();
    if (!f) return std::nullopt;

    snappedWindows.erase(window);
    onDetach.emit(window);

    // Keep the grabbed point under the cursor while the window takes its old size back.
    const double r = f->width > 0 ? (cursor.x - f->minX()) / f->width : 0.5;
    // The user is moving the window: the move must carry on with the old size.
    window.setFrameDuringMove(
        Rect(cursor.x - r * saved.width, f->minY(), saved.width, saved.height));
    return saved.size();
}

std::optional<SnapEngine::HitTestResult> SnapEngine::hitTest(Point p,
                                                             const ScreenInfo& screen) const {
    const Rect& r = screen.frame;
    const bool corners = settings_.cornerQuarterPriority();
    auto hit = [&](ZoneID zone, RectEdge edge) {
        return std::optional<HitTestResult>(HitTestResult{zone, screen.hasNeighbor(edge)});
    };

    if (corners) {
        const bool left = p.x <= r.minX() + cornerSize;
        const bool right = p.x >= r.maxX() - cornerSize;
        const bool top = p.y <= r.minY() + cornerSize;
        const bool bottom = p.y >= r.maxY() - cornerSize;
        if (left && top) return hit(ZoneID::topLeftQuarter, RectEdge::minXEdge);
        if (right && top) return hit(ZoneID::topRightQuarter, RectEdge::maxXEdge);
        if (left && bottom) return hit(ZoneID::bottomLeftQuarter, RectEdge::minXEdge);
        if (right && bottom) return hit(ZoneID::bottomRightQuarter, RectEdge::maxXEdge);
    }

    // On a side edge, the upper and lower thirds pick quarters when corners take priority.
    auto side = [&](ZoneID halfZone, ZoneID topZone, ZoneID bottomZone) {
        if (!corners) return halfZone;
        const double t = r.height / 3;
        if (p.y < r.minY() + t) return topZone;
        if (p.y > r.maxY() - t) return bottomZone;
        return halfZone;
    };
    if (p.x <= r.minX() + edgeSize) {
        return hit(side(ZoneID::leftHalf, ZoneID::topLeftQuarter, ZoneID::bottomLeftQuarter),
                   RectEdge::minXEdge);
    }
    if (p.x >= r.maxX() - edgeSize) {
        return hit(side(ZoneID::rightHalf, ZoneID::topRightQuarter, ZoneID::bottomRightQuarter),
                   RectEdge::maxXEdge);
    }
    if (p.y <= r.minY() + edgeSize) {
        switch (settings_.topEdgeAction()) {
            case TopEdgeAction::off:
                return std::nullopt;
            case TopEdgeAction::topHalf:
                return hit(ZoneID::topHalf, RectEdge::minYEdge);
            case TopEdgeAction::maximize:
                return hit(ZoneID::maximize, RectEdge::minYEdge);
        }
        return std::nullopt;
    }
    if (p.y >= r.maxY() - edgeSize) return hit(ZoneID::bottomHalf, RectEdge::maxYEdge);
    return std::nullopt;
}

}  // namespace kelvra
