#include "input/PreviewOverlay.h"

#include "port/Platform.h"
#include "settings/AppSettings.h"
#include "style/Theme.h"

namespace kelvra {

PreviewOverlay::PreviewOverlay(AppSettings& settings)
    : settings_(settings), animator_(*platform().runLoop) {}

PreviewOverlay::~PreviewOverlay() = default;

port::OverlayModel PreviewOverlay::model() const {
    port::OverlayModel m;
    m.fill = Theme::withAlpha(Theme::accent, settings_.overlayOpacity());
    m.border = Theme::accent;
    m.innerBorder = port::Color{1, 1, 1, 0.25};
    return m;
}

void PreviewOverlay::setFrame(const Rect& frame) {
    frame_ = frame;
    surface_->setFrame(frame);
}

void PreviewOverlay::setOpacity(double opacity) {
    opacity_ = opacity;
    surface_->setOpacity(opacity);
}

void PreviewOverlay::cancelAnimations() {
    if (frameAnimation_) animator_.cancel(*frameAnimation_);
    if (opacityAnimation_) animator_.cancel(*opacityAnimation_);
    frameAnimation_.reset();
    opacityAnimation_.reset();
}

void PreviewOverlay::fadeTo(double opacity, double duration, const CubicBezier& curve) {
    if (opacityAnimation_) animator_.cancel(*opacityAnimation_);
    double from = opacity_;
    opacityAnimation_ = animator_.start(
        duration, curve, [this, from, opacity](double p) { setOpacity(lerp(from, opacity, p)); },
        [this] { opacityAnimation_.reset(); });
}

void PreviewOverlay::show(const Rect& frameCG) {
    if (!surface_) {
        if (auto* surfaces = platform().surfaces) surface_ = surfaces->create(model());
        if (!surface_) return;  // this desktop cannot show it; the drag works without
    } else {
        // A changed opacity setting shows from the next preview on.
        surface_->setModel(model());
    }

    if (visible_ && opacity_ > glideThreshold) {
        if (frameAnimation_) animator_.cancel(*frameAnimation_);
        Rect from = frame_;
        frameAnimation_ = animator_.start(
            glideDuration, Theme::easeStandard,
            [this, from, frameCG](double p) { setFrame(lerp(from, frameCG, p)); },
            [this] { frameAnimation_.reset(); });
        // A show during the fade-out wins: the preview comes back instead of vanishing.
        if (fadingOut_) {
            fadingOut_ = false;
            fadeTo(1.0, appearDuration, Theme::easeOut);
        }
        return;
    }

    cancelAnimations();
    fadingOut_ = false;
    double inset = (1 - appearScale) / 2;
    Rect start(frameCG.x + inset * frameCG.width, frameCG.y + inset * frameCG.height,
               appearScale * frameCG.width, appearScale * frameCG.height);
    setFrame(start);
    setOpacity(0);
    visible_ = true;
    surface_->setVisible(true);
    frameAnimation_ = animator_.start(
        appearDuration, Theme::easeOut,
        [this, start, frameCG](double p) { setFrame(lerp(start, frameCG, p)); },
        [this] { frameAnimation_.reset(); });
    fadeTo(1.0, appearDuration, Theme::easeOut);
}

void PreviewOverlay::hide() {
    if (!surface_ || !visible_ || fadingOut_) return;
    fadingOut_ = true;
    double from = opacity_;
    if (opacityAnimation_) animator_.cancel(*opacityAnimation_);
    opacityAnimation_ = animator_.start(
        fadeOutDuration, Theme::easeInOut,
        [this, from](double p) { setOpacity(lerp(from, 0.0, p)); },
        [this] {
            opacityAnimation_.reset();
            if (frameAnimation_) animator_.cancel(*frameAnimation_);
            frameAnimation_.reset();
            fadingOut_ = false;
            visible_ = false;
            surface_->setVisible(false);
        });
}

}  // namespace kelvra
