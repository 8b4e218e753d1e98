#include "backends/wayland/OwnWindowPlacer.h"

#include <unistd.h>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "port/PanelStacking.h"

namespace kelvra::wayland {

namespace {
// A window is reported to the bridge only once the compositor maps it: a placement
// asked for before that finds nothing and is tried again, for up to 2 s (a loaded
// compositor may take that long to map a new window).
constexpr int retryMs = 50;
constexpr int retries = 40;
constexpr int focusBackMs = 100;
constexpr int pointerAnswerMs = 150;

bool stacksWithGroup(const QWindow& window) {
    return window.property(port::stacksWithGroupProperty).toBool();
}

}  // namespace

OwnWindowPlacer::OwnWindowPlacer(bridge::BridgeSession& session) : session_(session) {
    if (auto* app = QGuiApplication::instance()) app->installEventFilter(this);
    // The active window's frame counts too: a new window is announced before it is placed.
    activations_ = session_.changed.connect([this](const bridge::FromBridge& message) {
        if (std::holds_alternative<bridge::WindowActivated>(message) ||
            std::holds_alternative<bridge::WindowFrameChanged>(message) ||
            std::holds_alternative<bridge::Snapshot>(message))
            restackGroupPanels();
        if (std::holds_alternative<bridge::WindowActivated>(message)) giveFocusBack();
        // The compositor activates a new application window before announcing it; when a
        // divider mapped at the same moment took the focus, that activation is never
        // reported, and the new window is where the focus belongs.
        if (const auto* added = std::get_if<bridge::WindowAdded>(&message)) {
            const auto& w = added->window;
            if (w.pid != static_cast<std::int64_t>(getpid()) &&
                w.kind == bridge::WindowKind::normal && !w.minimized)
                lastFocused_ = w.id;
        }
    });
}

bool OwnWindowPlacer::frontWithActive(const QWindow& panel) const {
    const auto* active = session_.mirror().activeWindow();
    if (!active) return above_.count(&panel) ? above_.at(&panel) : true;
    // The program's own panels (this one, when clicked) leave the order as it was; its
    // ordinary windows (settings, onboarding) come in front of a group like any other.
    if (active->pid == static_cast<std::int64_t>(getpid())) {
        if (!isOwnPanel(*active)) return false;
        return above_.count(&panel) ? above_.at(&panel) : true;
    }
    // Next to the active window: along its left or right edge for a vertical strip,
    // along its top or bottom edge for a horizontal one.
    const QRect p = panel.geometry();
    const Rect& a = active->frame;
    const bool vertical = p.height() >= p.width();
    const double reach = vertical ? p.width() : p.height();
    const double centre = vertical ? p.x() + p.width() / 2.0 : p.y() + p.height() / 2.0;
    const double lo = vertical ? a.x : a.y;
    const double hi = vertical ? a.x + a.width : a.y + a.height;
    const bool overlaps = vertical ? p.y() < a.y + a.height && a.y < p.y() + p.height()
                                   : p.x() < a.x + a.width && a.x < p.x() + p.width();
    // A member lies wholly on one side of the strip: its near edge between the strip's
    // centre line and the strip's thickness away from it.
    const bool before = hi <= centre && centre - hi <= reach;
    const bool after = lo >= centre && lo - centre <= reach;
    return overlaps && (before || after);
}

QWindow* OwnWindowPlacer::shownWindowTitled(const std::string& title) {
    for (QWindow* own : QGuiApplication::topLevelWindows()) {
        if (own->isVisible() && own->title().toStdString() == title) return own;
    }
    return nullptr;
}

bool OwnWindowPlacer::isOwnPanel(const bridge::WindowSnapshot& window) const {
    const QWindow* own = shownWindowTitled(window.title);
    // Gone meanwhile: a panel closing, most likely.
    return !own || own->flags().testFlag(Qt::WindowStaysOnTopHint);
}

bool OwnWindowPlacer::refusesFocus(const bridge::WindowSnapshot& window) const {
    if (window.pid != static_cast<std::int64_t>(getpid())) return false;
    const QWindow* own = shownWindowTitled(window.title);
    return own && stacksWithGroup(*own);
}

void OwnWindowPlacer::giveFocusBack() {
    const auto* active = session_.mirror().activeWindow();
    if (!active) return;
    if (!refusesFocus(*active)) {
        // Another application's window, or one of the program's own windows that takes
        // keys (settings, picker, assist cards): where a panel's focus goes back to.
        lastFocused_ = active->id;
        return;
    }
    // The compositor focuses a panel when it is mapped or clicked; a divider never keeps
    // it. (The zone preview may keep it: it shows during a drag, which a change of focus
    // would disturb, and goes when the drag ends.) A moment's wait: the program may be activating a
    // window of its choice already.
    QTimer::singleShot(focusBackMs, this, [this] {
        const auto* still = session_.mirror().activeWindow();
        if (!still || !refusesFocus(*still) || lastFocused_.empty()) return;
        // Not in the middle of a drag of the divider: a focus change there ends it.
        if (dragging_) {
            giveFocusBack();
            return;
        }
        session_.send(bridge::Activate{0, lastFocused_, still->id});
    });
}

void OwnWindowPlacer::restackGroupPanels() {
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (!window->isVisible() || !stacksWithGroup(*window)) continue;
        const bool above = frontWithActive(*window);
        auto known = above_.find(window);
        if (known != above_.end() && known->second == above) continue;
        above_[window] = above;
        bridge::PlaceOwn command;
        command.pid = getpid();
        command.title = window->title().toStdString();
        command.keepAbove = above;
        session_.send(command);
    }
}

bool OwnWindowPlacer::eventFilter(QObject* watched, QEvent* event) {
    auto* window = qobject_cast<QWindow*>(watched);
    if (!window || !window->isTopLevel() || !window->flags().testFlag(Qt::WindowStaysOnTopHint))
        return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            if (!stacksWithGroup(*window) || resending_) return false;
            if (event->type() != QEvent::MouseMove)
                dragging_ = event->type() != QEvent::MouseButtonRelease;
            return correctPointer(*window, *event);
        case QEvent::Expose:
        case QEvent::Move:
        case QEvent::Resize:
            if (!window->isVisible() || sent_[window] == window->geometry()) break;
            misses_[window] = 0;
            placeLater(window, 0);
            break;
        case QEvent::Hide:
            // Shown again, it is placed again.
            sent_.erase(window);
            above_.erase(window);
            break;
        default:
            break;
    }
    return false;
}

bool OwnWindowPlacer::correctPointer(QWindow& window, QEvent& event) {
    if (!session_.connected()) return false;
    const auto& mouse = static_cast<QMouseEvent&>(event);
    held_.push_back({&window, mouse.type(), mouse.position(), mouse.button(), mouse.buttons(),
                     mouse.modifiers(), mouse.pointingDevice()});
    askPointer();
    return true;
}

void OwnWindowPlacer::askPointer() {
    if (pointerAsked_) return;
    static int questions = 0;
    const int question = pointerAsked_ = ++questions;
    session_.send(bridge::GetPointer{}, [this, question](const bridge::CommandResult&) {
        if (pointerAsked_ == question) sendHeld();
    });
    // A bridge that restarts meanwhile never answers: the last pointer known then.
    QTimer::singleShot(pointerAnswerMs, this, [this, question] {
        if (pointerAsked_ == question) sendHeld();
    });
}

void OwnWindowPlacer::sendHeld() {
    pointerAsked_ = 0;
    // The mirror took the pointer from the answer.
    const Point pointer = session_.mirror().pointer();
    const QPointF global(pointer.x, pointer.y);
    auto events = std::move(held_);
    held_.clear();
    for (size_t i = 0; i < events.size(); ++i) {
        const HeldEvent& e = events[i];
        const bool overtaken = e.type == QEvent::MouseMove && i + 1 < events.size() &&
                               events[i + 1].type == QEvent::MouseMove;
        if (!e.window || overtaken) continue;
        QMouseEvent corrected(e.type, e.local, e.local, global, e.button, e.buttons, e.modifiers,
                              e.device);
        resending_ = true;
        QCoreApplication::sendEvent(e.window, &corrected);
        resending_ = false;
    }
}

void OwnWindowPlacer::placeLater(QWindow* window, int ms) {
    if (std::find(dirty_.begin(), dirty_.end(), window) == dirty_.end())
        dirty_.emplace_back(window);
    if (posted_) return;
    posted_ = true;
    // One placement per window for all the events of one turn.
    QTimer::singleShot(ms, this, [this] { place(); });
}

void OwnWindowPlacer::place() {
    posted_ = false;
    auto windows = std::move(dirty_);
    dirty_.clear();
    for (const QPointer<QWindow>& window : windows) {
        if (!window || !window->isVisible()) continue;
        const QRect g = window->geometry();
        sent_[window.data()] = g;
        bridge::PlaceOwn command;
        command.pid = getpid();
        command.title = window->title().toStdString();
        command.frame = Rect{double(g.x()), double(g.y()), double(g.width()), double(g.height())};
        if (stacksWithGroup(*window)) {
            command.keepAbove = frontWithActive(*window);
            above_[window.data()] = command.keepAbove;
        }
        QPointer<QWindow> target = window;
        session_.send(command, [this, target, g](const bridge::CommandResult& r) {
            if (!target) return;
            if (r.status == bridge::ResultStatus::done && r.window) {
                // The compositor places a new window when it first maps it, which may come
                // after this placement: look again once it has had the time.
                const std::string id = *r.window;
                QTimer::singleShot(retryMs * 4, this, [this, target, g, id] {
                    if (!target || !target->isVisible() || sent_[target.data()] != g) return;
                    // Gone meanwhile: an earlier window with this title was placed.
                    const auto* placed = session_.mirror().window(id);
                    const Rect want{double(g.x()), double(g.y()), double(g.width()),
                                    double(g.height())};
                    if (placed && placed->frame.origin() == want.origin()) return;
                    if (++misses_[target.data()] >= retries) return;
                    sent_.erase(target.data());
                    placeLater(target, 0);
                });
                return;
            }
            if (r.status != bridge::ResultStatus::noWindow) return;
            if (++misses_[target.data()] >= retries) return;
            // Not found: the same frame must go again.
            sent_.erase(target.data());
            placeLater(target, retryMs);
        });
    }
}

}  // namespace kelvra::wayland
