#include "backends/kwin/OwnWindowPlacer.h"

#include <unistd.h>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>

namespace kelvra::kwin {

namespace {
// A window is reported to the bridge only once the compositor maps it: a placement
// asked for before that finds nothing and is tried again, a few times.
constexpr int retryMs = 50;
constexpr int retries = 6;
}  // namespace

OwnWindowPlacer::OwnWindowPlacer(bridge::BridgeSession& session) : session_(session) {
    if (auto* app = QGuiApplication::instance()) app->installEventFilter(this);
}

bool OwnWindowPlacer::eventFilter(QObject* watched, QEvent* event) {
    auto* window = qobject_cast<QWindow*>(watched);
    if (!window || !window->isTopLevel() || !window->flags().testFlag(Qt::WindowStaysOnTopHint))
        return false;
    switch (event->type()) {
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
            break;
        default:
            break;
    }
    return false;
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
        QPointer<QWindow> target = window;
        session_.send(command, [this, target](const bridge::CommandResult& r) {
            if (r.status != bridge::ResultStatus::noWindow || !target) return;
            if (++misses_[target.data()] >= retries) return;
            // Not found: the same frame must go again.
            sent_.erase(target.data());
            placeLater(target, retryMs);
        });
    }
}

}  // namespace kelvra::kwin
