#include "tiling/Divider.h"

#include <cmath>

#include "port/Platform.h"
#include "style/Theme.h"

namespace kelvra {

Divider::Divider(const SharedEdge& edge) : edge_(edge), animator_(*platform().runLoop) {
    model_.orientation = edge.orientation == Orientation::vertical
                             ? port::DividerOrientation::vertical
                             : port::DividerOrientation::horizontal;
    surface_ = platform().surfaces->create(model_);
    if (!surface_) return;
    pointerHook_ = surface_->onPointer([this](const port::SurfacePointer& e) { handle(e); });
    surface_->setFrame(frameFor(edge_));
    surface_->setVisible(true);
}

Divider::~Divider() = default;

void Divider::update(const SharedEdge& edge) {
    edge_ = edge;
    auto orientation = edge.orientation == Orientation::vertical
                           ? port::DividerOrientation::vertical
                           : port::DividerOrientation::horizontal;
    if (orientation != model_.orientation) {
        model_.orientation = orientation;
        publish();
    }
    if (surface_) surface_->setFrame(frameFor(edge_));
}

void Divider::setVisible(bool visible) {
    visible_ = visible;
    if (surface_) surface_->setVisible(visible);
}

void Divider::stackAbove(const std::vector<port::WindowRef>& group) {
    if (surface_) surface_->stackAbove(group);
}

Rect Divider::frameFor(const SharedEdge& edge) {
    double half = thickness / 2;
    if (edge.orientation == Orientation::vertical)
        return {edge.position - half, edge.span.lower, thickness, edge.span.length()};
    return {edge.span.lower, edge.position - half, edge.span.length(), thickness};
}

double Divider::snapToRatios(double coordinate, Span range) {
    double len = range.length();
    if (len <= 0) return coordinate;
    double r = (coordinate - range.lower) / len;
    for (double ratio : {0.5, 1.0 / 3.0, 2.0 / 3.0}) {
        if (std::abs(r - ratio) < snapTolerance) return range.lower + len * ratio;
    }
    return coordinate;
}

std::string Divider::ratioText(int percent) {
    return std::to_string(percent) + " : " + std::to_string(100 - percent);
}

void Divider::handle(const port::SurfacePointer& event) {
    using Phase = port::SurfacePointer::Phase;
    switch (event.phase) {
        case Phase::pressed:
            if (event.clickCount == 2) {
                pulse();
                onDoubleClick.emit();  // may end this divider: nothing after it
                return;
            }
            dragging_ = true;
            model_.accent = true;
            model_.gripLong = false;
            model_.chipText = chipLabel_;
            fadeGripTo(1);
            publish();
            return;
        case Phase::dragged: {
            if (!dragging_) return;
            double c =
                edge_.orientation == Orientation::vertical ? event.position.x : event.position.y;
            Span range = edge_.outerRange;
            if (range.length() > 0) {
                c = snapToRatios(c, range);
                chipLabel_ = ratioText(
                    static_cast<int>(std::round((c - range.lower) / range.length() * 100)));
                if (model_.chipText != chipLabel_) {
                    model_.chipText = chipLabel_;
                    publish();
                }
            }
            onDrag.emit(c);
            return;
        }
        case Phase::released:
            if (!dragging_) return;
            dragging_ = false;
            model_.accent = false;
            model_.chipText.reset();
            model_.gripLong = hovering_;
            publish();
            if (!hovering_) fadeGripTo(0);
            onDragEnd.emit();  // may end this divider: nothing after it
            return;
        case Phase::entered:
            hovering_ = true;
            model_.gripLong = !dragging_;
            publish();
            fadeGripTo(1);
            return;
        case Phase::exited:
            hovering_ = false;
            model_.gripLong = false;
            publish();
            // The grip stays while it is dragged.
            if (!dragging_) fadeGripTo(0);
            return;
    }
}

void Divider::fadeGripTo(double alpha) {
    if (fade_) animator_.cancel(*fade_);
    double from = model_.gripAlpha;
    if (from == alpha) return;
    fade_ = animator_.start(
        gripFade, Theme::easeStandard,
        [this, from, alpha](double progress) {
            model_.gripAlpha = lerp(from, alpha, progress);
            publish();
        },
        [this] { fade_.reset(); });
}

void Divider::pulse() {
    if (pulse_) animator_.cancel(*pulse_);
    pulse_ = animator_.start(
        pulseDuration, Theme::easeStandard,
        [this](double progress) {
            // From a strong flare back to the grip's own shadow.
            model_.glow = progress < 1 ? lerp(0.9, 0.25, progress) : 0;
            publish();
        },
        [this] { pulse_.reset(); });
}

void Divider::publish() {
    if (surface_) surface_->setModel(model_);
}

}  // namespace kelvra
