#pragma once

#include "base/Easing.h"
#include "port/SurfaceModels.h"

namespace kelvra {

// The style constants every one of the program's own surfaces shares.
namespace Theme {

// The accent: sRGB 10/132/255.
inline constexpr port::Color accent{10.0 / 255.0, 132.0 / 255.0, 1.0, 1.0};

// Quick start, long gentle settle: moving things (the preview gliding between zones).
inline constexpr CubicBezier easeStandard{0.32, 0.72, 0.0, 1.0};
// Fast arrival: things appearing.
inline constexpr CubicBezier easeOut{0.16, 1.0, 0.3, 1.0};
// Plain fades with no character of their own (disappearing).
inline constexpr CubicBezier easeInOut{0.42, 0.0, 0.58, 1.0};

inline constexpr port::Color withAlpha(port::Color c, double alpha) {
    c.alpha = alpha;
    return c;
}

}  // namespace Theme

}  // namespace kelvra
