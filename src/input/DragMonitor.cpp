#include "input/DragMonitor.h"

#include <cmath>
#include <string>

#include "engine/SnapEngine.h"
#include "input/ManagerSnappingConflict.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"

namespace kelvra {

namespace {

double now() {
    return platform().runLoop->now();
}

bool movedFrom(const Rect& frame, const Rect& initial) {
    return std::abs(frame.minX() - initial.minX()) > DragMonitor::frameTolerance ||
           std::abs(frame.minY() - initial.minY()) > DragMonitor::frameTolerance;
}

bool resizedFrom(const Rect& frame, const Rect& initial) {
    return std::abs(frame.width - initial.width) > DragMonitor::frameTolerance ||
           std::abs(frame.height - initial.height) > DragMonitor::frameTolerance;
}

}  // namespace

DragMonitor::DragMonitor(AppSettings& settings, SnapEngine& engine,
                         ManagerSnappingConflict* managerSnapping)
    : settings_(settings), engine_(engine), managerSnapping_(managerSnapping), settler_(engine) {}

DragMonitor::~DragMonitor() {
    if (running_) platform().mouseEvents->stop();
}

void DragMonitor::start() {
    if (running_) return;
    auto& mouse = *platform().mouseEvents;
    mouse_ = mouse.onEvent([this](const port::MouseEvent& e) { handle(e); });
    if (!mouse.start()) {
        mouse_.cancel();
        logLine("cannot listen to the mouse buttons; drag snapping is off");
        return;
    }
    running_ = true;
}

void DragMonitor::stop() {
    if (running_) platform().mouseEvents->stop();
    mouse_.cancel();
    running_ = false;
    settler_.cancel();
    reset();
}

void DragMonitor::handle(const port::MouseEvent& event) {
    switch (event.type) {
        case port::MouseEvent::Type::leftDown:
            // A new press ends any watch over the last snap: the user acts again.
            settler_.cancel();
            mouseDownPoint_ = event.location;
            // The manager's settings may have changed since the last drag.
            if (managerSnapping_) managerSnapping_->refresh();
            // The window is taken when the button goes down: by the time the first
            // movement arrives the window manager may already have moved the window
            // away from the press point.
            pressLookedUp_ = mayAct();
            pressedWindow_ = pressLookedUp_ ? WindowHandle::at(event.location) : std::nullopt;
            pressFrame_ = pressedWindow_ ? pressedWindow_->frame() : std::nullopt;
            phase_ = Phase::pending;
            draggedWindow_.reset();
            didDetach_ = false;
            return;
        case port::MouseEvent::Type::leftDragged:
            drag(event);
            return;
        case port::MouseEvent::Type::leftUp:
            release();
            return;
    }
}

bool DragMonitor::mayAct() const {
    return settings_.dragSnapEnabled() && !settings_.paused() && Permissions::isGranted() &&
           !(managerSnapping_ && managerSnapping_->stepsAside());
}

void DragMonitor::drag(const port::MouseEvent& event) {
    if (!mayAct()) return;
    switch (phase_) {
        case Phase::idle:
        case Phase::ignored:
            return;
        case Phase::pending:
            recognise(event.location);
            return;
        case Phase::moving:
            move(event);
            return;
    }
}

// The first movement beyond the threshold decides whether this drag moves a window
// that Kelvra may snap.
void DragMonitor::recognise(Point location) {
    const double dx = location.x - mouseDownPoint_.x, dy = location.y - mouseDownPoint_.y;
    if (std::hypot(dx, dy) <= movementThreshold) return;

    // The window that was grabbed, not the one the cursor has reached since.
    auto window = pressLookedUp_ ? pressedWindow_ : WindowHandle::at(mouseDownPoint_);
    // The pointer may be read a moment after the press, past the edge of a window that
    // the manager had not yet moved along; that window has caught up by now.
    if (!window) window = WindowHandle::at(location);
    auto& apps = *platform().applications;
    if (!window || !window->isStandard() || window->pid() == apps.currentProcessId()) {
        phase_ = Phase::ignored;
        return;
    }
    auto app = apps.application(window->pid());
    if (settings_.isExcluded(app ? app->appId : std::nullopt)) {
        phase_ = Phase::ignored;
        return;
    }
    // The window found by position may be a sibling under the focused one of the same
    // application; the focused window is the one really being dragged.
    if (auto front = WindowHandle::frontmost(); front && front->pid() == window->pid()) {
        if (auto f = front->frame(); f && f->contains(mouseDownPoint_)) window = front;
    }
    auto frame = window->frame();
    if (!frame) {
        phase_ = Phase::ignored;
        return;
    }
    draggedWindow_ = window;
    // Moves from the press on: movements that reach Kelvra in a burst find the window
    // already where the last of them took it, which would look like no move at all.
    const bool pressed = pressedWindow_ && *pressedWindow_ == *window && pressFrame_;
    initialFrame_ = pressed ? *pressFrame_ : *frame;
    phase_ = Phase::moving;
    // Already moved with the pointer: detached now, before a tile group takes the move for
    // one out of its place and forgets the snap (it waits a moment; late events may not).
    if (movedFrom(*frame, initialFrame_) && !resizedFrom(*frame, initialFrame_))
        detachIfSnapped(location);
}

void DragMonitor::detachIfSnapped(Point location) {
    if (didDetach_ || !engine_.snappedWindows.contains(*draggedWindow_)) return;
    didDetach_ = true;
    engine_.detachForDrag(*draggedWindow_, location);
    if (auto after = draggedWindow_->frame()) initialFrame_ = *after;
}

void DragMonitor::move(const port::MouseEvent& event) {
    if (!draggedWindow_) return;
    const Point location = event.location;
    if (event.functionKey) {
        clearZone();
        return;
    }
    // Window frames are read at most once per interval; in between, only the cursor counts.
    const double t = now();
    if (t - lastFrameCheck_ <= frameCheckInterval) {
        updateZone(location);
        return;
    }
    lastFrameCheck_ = t;
    auto frame = draggedWindow_->frame();
    if (!frame) return;
    if (resizedFrom(*frame, initialFrame_) && !didDetach_) {
        // The button is pulling an edge of the window, not moving it.
        phase_ = Phase::ignored;
        clearZone();
        return;
    }
    if (!movedFrom(*frame, initialFrame_)) return;
    detachIfSnapped(location);
    updateZone(location);
}

void DragMonitor::release() {
    if (phase_ == Phase::moving && draggedWindow_ && currentZone_ && currentScreen_) {
        const WindowHandle window = *draggedWindow_;
        const ZoneID zone = *currentZone_;
        const ScreenInfo screen = *currentScreen_;
        engine_.snap(window, zone, screen);
        settler_.watch(
            window, zone,
            frame(zone, screen.visible, settings_.windowGap(), settings_.screenPadding()));
    }
    reset();
}

void DragMonitor::updateZone(Point point) {
    auto screen = ScreenInfo::containing(point);
    if (!screen) {
        clearZone();
        return;
    }
    auto hit = engine_.hitTest(point, *screen);
    if (!hit) {
        clearZone();
        return;
    }
    if (hit->needsDwell) {
        // An edge shared with another monitor is a way across as much as a target: its
        // zone shows only once the cursor has rested there.
        if (!dwellCandidate_ || dwellCandidate_->zone != hit->zone) {
            dwellCandidate_ = DwellCandidate{hit->zone, now()};
            return;
        }
        if (now() - dwellCandidate_->since < dwellThreshold) return;
    } else {
        dwellCandidate_.reset();
    }
    if (currentZone_ == hit->zone && currentScreen_ && currentScreen_->sameDisplay(*screen)) return;
    currentZone_ = hit->zone;
    currentScreen_ = screen;
    // Only for the preview: the snap on release computes its frame itself.
    const Rect frame =
        kelvra::frame(hit->zone, screen->visible, settings_.windowGap(), settings_.screenPadding());
    onZoneChange.emit(hit->zone, frame, *screen);
}

void DragMonitor::clearZone() {
    dwellCandidate_.reset();
    if (!currentZone_) return;
    currentZone_.reset();
    currentScreen_.reset();
    onZoneChange.emit(std::nullopt, std::nullopt, std::nullopt);
}

void DragMonitor::reset() {
    phase_ = Phase::idle;
    draggedWindow_.reset();
    didDetach_ = false;
    clearZone();
}

}  // namespace kelvra
