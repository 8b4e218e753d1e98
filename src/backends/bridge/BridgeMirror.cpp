#include "backends/bridge/BridgeMirror.h"

#include <algorithm>

namespace kelvra::bridge {

namespace {
template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
// clang before 17 does not deduce aggregate template arguments on its own.
template <class... F>
Overloaded(F...) -> Overloaded<F...>;
}  // namespace

bool BridgeMirror::apply(const FromBridge& message) {
    // Changes a known window; an unknown one is left alone and reported.
    auto update = [this](std::string_view id, auto change) {
        WindowSnapshot* w = find(id);
        if (w) change(*w);
        return w != nullptr;
    };
    Overloaded visitor{
        [this](const Snapshot& s) { return applySnapshot(s); },
        [this](const WindowAdded& e) {
            // A window the mirror knows already is replaced in place: the bridge's view
            // is the newer one.
            if (!find(e.window.id)) order_.push_back(e.window.id);
            windows_.insert_or_assign(e.window.id, e.window);
            return true;
        },
        [this](const WindowRemoved& e) {
            if (!find(e.window)) return false;
            remove(e.window);
            return true;
        },
        [this](const WindowActivated& e) {
            if (!e.window.empty() && !find(e.window)) return false;
            active_ = e.window;
            // The compositor raises the window it activates.
            if (!e.window.empty()) raise(e.window);
            return true;
        },
        [&](const WindowFrameChanged& e) {
            return update(e.window, [&](WindowSnapshot& w) { w.frame = e.frame; });
        },
        [&](const WindowMinimized& e) {
            return update(e.window, [&](WindowSnapshot& w) { w.minimized = e.minimized; });
        },
        [this](const ScreensChanged& e) {
            screens_ = e.screens;
            return true;
        },
        [&](const InteractiveMove& e) {
            if (!update(e.window, [&](WindowSnapshot& w) { w.frame = e.frame; })) return false;
            pointer_ = e.pointer;
            if (e.phase == MovePhase::started) raise(e.window);
            if (e.phase == MovePhase::finished) {
                move_.reset();
            } else {
                move_ = e;
            }
            return true;
        },
        [this](const CommandResult& r) {
            if (r.pointer) pointer_ = *r.pointer;
            return true;
        },
        [](const auto&) { return true; },
    };
    return std::visit(visitor, message);
}

bool BridgeMirror::applySnapshot(const Snapshot& s) {
    windows_.clear();
    order_.clear();
    for (const WindowSnapshot& w : s.windows) {
        if (!windows_.contains(w.id)) order_.push_back(w.id);
        windows_.insert_or_assign(w.id, w);
    }
    screens_ = s.screens;
    active_ = windows_.contains(s.active) ? s.active : std::string();
    pointer_ = s.pointer;
    move_.reset();
    synced_ = true;
    return true;
}

WindowSnapshot* BridgeMirror::find(std::string_view id) {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : &it->second;
}

const WindowSnapshot* BridgeMirror::window(std::string_view id) const {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : &it->second;
}

void BridgeMirror::raise(std::string_view id) {
    auto it = std::find(order_.begin(), order_.end(), id);
    if (it != order_.end()) std::rotate(it, it + 1, order_.end());
}

void BridgeMirror::remove(std::string_view id) {
    windows_.erase(windows_.find(id));
    order_.erase(std::find(order_.begin(), order_.end(), id));
    if (active_ == id) active_.clear();
    if (move_ && move_->window == id) move_.reset();
}

std::vector<const WindowSnapshot*> BridgeMirror::windows() const {
    std::vector<const WindowSnapshot*> result;
    result.reserve(order_.size());
    for (const std::string& id : order_) result.push_back(&windows_.find(id)->second);
    return result;
}

const ScreenSnapshot* BridgeMirror::screenAt(Point p) const {
    for (const ScreenSnapshot& s : screens_) {
        if (s.geometry.contains(p)) return &s;
    }
    return nullptr;
}

const WindowSnapshot* BridgeMirror::activeWindow() const {
    return active_.empty() ? nullptr : window(active_);
}

}  // namespace kelvra::bridge
