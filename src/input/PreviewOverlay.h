#pragma once

#include <memory>
#include <optional>

#include "base/Animator.h"
#include "base/Rect.h"
#include "port/Surfaces.h"

namespace kelvra {

class AppSettings;

// The translucent preview of the zone a dragged window will land in. It grows and
// fades in at the first zone, glides from zone to zone while it stays up, and fades
// out when the zone goes away. The surface is made on the first show and kept.
class PreviewOverlay {
  public:
    static constexpr double appearDuration = 0.14;
    static constexpr double glideDuration = 0.22;
    static constexpr double fadeOutDuration = 0.09;
    // The first appearance starts at this fraction of the zone's size, about its centre.
    static constexpr double appearScale = 0.965;
    // Above this opacity a visible preview glides to a new zone instead of appearing anew.
    static constexpr double glideThreshold = 0.1;

    explicit PreviewOverlay(AppSettings& settings);
    ~PreviewOverlay();

    // The frame is in the top-left space.
    void show(const Rect& frameCG);
    // Does nothing when the preview is not up (or already fading out).
    void hide();

  private:
    port::OverlayModel model() const;
    void setFrame(const Rect& frame);
    void setOpacity(double opacity);
    void fadeTo(double opacity, double duration, const CubicBezier& curve);
    void cancelAnimations();

    AppSettings& settings_;
    Animator animator_;
    std::unique_ptr<port::Surface> surface_;
    bool visible_ = false;
    bool fadingOut_ = false;
    double opacity_ = 0;
    Rect frame_;
    std::optional<Animator::Id> frameAnimation_;
    std::optional<Animator::Id> opacityAnimation_;
};

}  // namespace kelvra
