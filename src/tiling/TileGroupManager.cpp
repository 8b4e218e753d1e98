#include "tiling/TileGroupManager.h"

#include <algorithm>
#include <cmath>

#include "engine/SnapEngine.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"

namespace kelvra {

TileGroupManager::TileGroupManager(AppSettings& settings, SnapEngine& engine)
    : settings_(settings),
      engine_(engine),
      propagation_(*platform().runLoop, throttleInterval),
      dividerDrag_(*platform().runLoop, throttleInterval) {
    hooks_.push_back(engine_.onSnap.connect([this](const WindowHandle& window, ZoneID zone,
                                                   const Rect& frame, const ScreenInfo& screen) {
        bool links =
            settings_.tilingEnabled() && zone != ZoneID::maximize && zone != ZoneID::almostMaximize;
        if (links) {
            join(window, zone, frame, screen.frame);
        } else {
            leave(window, false);
        }
    }));
    hooks_.push_back(
        engine_.onDetach.connect([this](const WindowHandle& window) { leave(window, false); }));
    hooks_.push_back(platform().applications->onActivated([this] { followFront(); }));
}

TileGroupManager::~TileGroupManager() = default;

void TileGroupManager::removeAll() {
    watches_.clear();
    members_.clear();
    rebuildEdges();
}

Divider* TileGroupManager::divider(const std::string& identity) const {
    auto it = dividers_.find(identity);
    return it == dividers_.end() ? nullptr : it->second.divider.get();
}

double TileGroupManager::now() const {
    return platform().runLoop->now();
}

void TileGroupManager::join(const WindowHandle& window, ZoneID zone, const Rect& frame,
                            const Rect& screenFrame) {
    members_.insert_or_assign(window, Member{window, zone, frame, screenFrame});
    observe(window);
    rebuildEdges();
}

void TileGroupManager::leave(const WindowHandle& window, bool forgetSnap) {
    if (forgetSnap) engine_.snappedWindows.erase(window);
    if (!members_.erase(window)) return;
    unobserve(window);
    rebuildEdges();
}

void TileGroupManager::observe(const WindowHandle& window) {
    if (watches_.count(window)) return;
    watches_.emplace(window, platform().windows->onWindowEvent(
                                 window.element(), [this, window](port::WindowEvent event) {
                                     handleEvent(window, event);
                                 }));
}

void TileGroupManager::unobserve(const WindowHandle& window) {
    auto it = watches_.find(window);
    if (it == watches_.end()) return;
    // This may run inside the watch's own callback: end it after the callback returns.
    auto retired = std::make_shared<Subscription>(std::move(it->second));
    watches_.erase(it);
    platform().runLoop->post([retired] { retired->cancel(); });
}

void TileGroupManager::handleEvent(const WindowHandle& window, port::WindowEvent event) {
    using Event = port::WindowEvent;
    if (event == Event::destroyed || event == Event::minimized) {
        leave(window, true);
        return;
    }
    auto member = members_.find(window);
    if (member == members_.end()) return;
    auto frame = window.frame();
    if (!frame || isEcho(window, *frame)) return;
    Rect old = member->second.frame;
    bool resized = std::abs(frame->width - old.width) > resizeThreshold ||
                   std::abs(frame->height - old.height) > resizeThreshold;
    bool moved = std::abs(frame->minX() - old.minX()) > moveTolerance ||
                 std::abs(frame->minY() - old.minY()) > moveTolerance;
    // Until our own change has fully arrived, frames in between are no user action;
    // a move may be the first half of a border resize. Both are judged once settled.
    bool expecting =
        expectedFrames_.count(window) && now() - expectedFrames_.at(window).date < echoWindow;
    if ((resized && !expecting) || (event == Event::resized && !moved && !expecting)) {
        scheduleResizePropagation(window, old, *frame);
        return;
    }
    if (!resized && !moved) return;
    if (moveChecks_.count(window)) return;
    moveChecks_[window].once(*platform().runLoop, moveSettle, [this, window] {
        moveChecks_.erase(window);
        judgeSettled(window);
    });
}

bool TileGroupManager::isEcho(const WindowHandle& window, const Rect& frame) const {
    auto expected = expectedFrames_.find(window);
    if (expected == expectedFrames_.end()) return false;
    const Expected& e = expected->second;
    return now() - e.date < echoWindow && (frame.approximatelyEquals(e.requested, echoTolerance) ||
                                           frame.approximatelyEquals(e.granted, echoTolerance));
}

void TileGroupManager::judgeSettled(const WindowHandle& window) {
    auto member = members_.find(window);
    if (member == members_.end()) return;
    auto frame = window.frame();
    if (!frame || isEcho(window, *frame)) return;
    Rect old = member->second.frame;
    if (std::abs(frame->width - old.width) > resizeThreshold ||
        std::abs(frame->height - old.height) > resizeThreshold) {
        scheduleResizePropagation(window, old, *frame);
        return;
    }
    if (std::abs(frame->minX() - old.minX()) <= moveTolerance &&
        std::abs(frame->minY() - old.minY()) <= moveTolerance)
        return;
    leave(window, true);  // moved out of its place
}

void TileGroupManager::scheduleResizePropagation(const WindowHandle& window, const Rect& oldFrame,
                                                 const Rect& newFrame) {
    propagation_.request(
        [this, window, oldFrame, newFrame] { propagateResize(window, oldFrame, newFrame); });
}

void TileGroupManager::propagateResize(const WindowHandle& window, const Rect& oldFrame,
                                       const Rect& newFrame) {
    auto member = members_.find(window);
    if (member == members_.end()) return;
    double half = settings_.windowGap() * 0.5;
    member->second.frame = newFrame;
    auto snapshot = edges_;
    for (const auto& edge : snapshot) {
        if (edge.isAggregate) continue;
        bool inLeading = edge.contains(window, true);
        if (!inLeading && !edge.contains(window, false)) continue;
        double before =
            inLeading ? farSide(oldFrame, edge.orientation) : nearSide(oldFrame, edge.orientation);
        double after =
            inLeading ? farSide(newFrame, edge.orientation) : nearSide(newFrame, edge.orientation);
        if (std::abs(after - before) <= resizeThreshold) continue;
        moveEdge(edge, inLeading ? after + half : after - half);
    }
}

Rect TileGroupManager::applyFrame(Member& member, const Rect& target) {
    // The window the user is resizing already has its frame: it is not written again.
    if (target.approximatelyEquals(member.frame, 0.5)) return member.frame;
    auto granted = member.window.setFrame(target);
    Rect actual = granted ? *granted : target;
    // Both the frame asked for and the one granted come back as our own change.
    expectedFrames_.insert_or_assign(member.window, Expected{target, actual, now()});
    member.frame = actual;
    return actual;
}

void TileGroupManager::moveEdge(SharedEdge edge, double requested) {
    double half = settings_.windowGap() * 0.5;
    double minSize = settings_.minWindowWidth();
    auto o = edge.orientation;
    std::vector<Member*> leading, trailing;
    for (const auto& w : edge.leading)
        if (auto m = members_.find(w); m != members_.end()) leading.push_back(&m->second);
    for (const auto& w : edge.trailing)
        if (auto m = members_.find(w); m != members_.end()) trailing.push_back(&m->second);

    double p = requested;
    for (auto* m : leading) p = std::max(p, nearSide(m->frame, o) + minSize + half);
    for (auto* m : trailing) p = std::min(p, farSide(m->frame, o) - minSize - half);

    // The edge follows what the leading windows granted: one that will not shrink
    // pushes it, one that took less (size increments) pulls it back, so the gap stays.
    std::optional<double> granted;
    for (auto* m : leading) {
        Rect actual = applyFrame(*m, withFarSide(m->frame, o, p - half));
        granted = std::max(granted.value_or(-INFINITY), farSide(actual, o) + half);
    }
    double p2 = granted.value_or(p);
    for (auto* m : trailing) applyFrame(*m, withNearSide(m->frame, o, p2 + half));
    if (p2 != p) {
        for (auto* m : leading) applyFrame(*m, withFarSide(m->frame, o, p2 - half));
    }

    auto identity = edge.identity();
    recordPosition(identity, p2);
    if (edge.isAggregate) {
        for (const auto& other : edges_) {
            if (other.orientation != o ||
                std::abs(other.position - edge.position) >= collinearTolerance)
                continue;
            auto otherIdentity = other.identity();
            if (otherIdentity != identity) recordPosition(otherIdentity, p2);
        }
    }
}

void TileGroupManager::recordPosition(const std::string& identity, double position) {
    for (auto& e : edges_) {
        if (e.identity() != identity) continue;
        e.position = position;
        if (auto* d = divider(identity)) d->update(e);
        return;
    }
}

void TileGroupManager::throttledMoveEdge(const SharedEdge& edge, double requested) {
    dividerDrag_.request([this, edge, requested] { moveEdge(edge, requested); });
}

void TileGroupManager::finishDividerDrag() {
    // The last position at once; spans and outer ranges are measured again after the
    // divider's own event has returned, since the rebuild may remove that divider.
    dividerDrag_.flush();
    platform().runLoop->post(lifetime_.guard([this] { rebuildEdges(); }));
}

void TileGroupManager::rebuildEdges() {
    std::vector<EdgeMember> list;
    list.reserve(members_.size());
    for (const auto& [window, m] : members_) list.push_back({window, m.frame, m.screenFrame});
    // A fixed order, so the same desktop always gives the same edges.
    std::sort(list.begin(), list.end(), [](const EdgeMember& a, const EdgeMember& b) {
        return a.window.element() < b.window.element();
    });
    edges_ = findSharedEdges(list, settings_.windowGap());
    syncDividers();
}

void TileGroupManager::syncDividers() {
    std::map<std::string, DividerEntry> live;
    for (const auto& edge : edges_) {
        auto key = edge.identity();
        if (auto seen = live.find(key); seen != live.end()) {
            seen->second.divider->update(edge);
            continue;
        }
        auto existing = dividers_.find(key);
        if (existing != dividers_.end()) {
            existing->second.divider->update(edge);
            live.emplace(key, std::move(existing->second));
        } else {
            live.emplace(key, makeDivider(edge));
        }
    }
    // What is left has lost its edge.
    dividers_ = std::move(live);
    followFront();
}

TileGroupManager::DividerEntry TileGroupManager::makeDivider(const SharedEdge& edge) {
    DividerEntry entry{std::make_unique<Divider>(edge), {}};
    Divider* raw = entry.divider.get();
    entry.hooks.push_back(raw->onDrag.connect(
        [this, raw](double position) { throttledMoveEdge(raw->edge(), position); }));
    entry.hooks.push_back(raw->onDoubleClick.connect([this, raw] {
        if (!settings_.dividerDoubleClickReset()) return;
        const auto& range = raw->edge().outerRange;
        moveEdge(raw->edge(), (range.lower + range.upper) * 0.5);
    }));
    entry.hooks.push_back(raw->onDragEnd.connect([this] { finishDividerDrag(); }));
    return entry;
}

std::vector<WindowHandle> TileGroupManager::groupOf(const SharedEdge& edge) const {
    std::vector<WindowHandle> group;
    const auto sidesOf = [](const SharedEdge& e) {
        std::vector<WindowHandle> sides = e.leading;
        sides.insert(sides.end(), e.trailing.begin(), e.trailing.end());
        return sides;
    };
    const auto has = [&group](const WindowHandle& w) {
        return std::find(group.begin(), group.end(), w) != group.end();
    };
    for (const auto& w : sidesOf(edge))
        if (!has(w)) group.push_back(w);
    // Edges that share a window join their groups, until no edge adds one.
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& other : edges_) {
            const auto sides = sidesOf(other);
            if (std::none_of(sides.begin(), sides.end(), has)) continue;
            for (const auto& w : sides) {
                if (has(w)) continue;
                group.push_back(w);
                grew = true;
            }
        }
    }
    return group;
}

void TileGroupManager::followFront() {
    auto& apps = *platform().applications;
    const auto front = apps.frontmostApplication();
    // The program's own panels in front (a divider being clicked) change nothing.
    const bool decides = front && front->pid != apps.currentProcessId();
    for (auto& [identity, entry] : dividers_) {
        Divider& divider = *entry.divider;
        const auto group = groupOf(divider.edge());
        bool show = divider.isVisible();
        if (decides)
            show = std::any_of(group.begin(), group.end(),
                               [&](const WindowHandle& w) { return w.pid() == front->pid; });
        if (show) {
            std::vector<port::WindowRef> refs;
            for (const auto& w : group) refs.push_back(w.element());
            divider.stackAbove(refs);
        }
        if (show != divider.isVisible()) divider.setVisible(show);
    }
}

}  // namespace kelvra
