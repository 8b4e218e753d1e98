#pragma once

namespace kelvra {

// A timing curve: a cubic Bézier from (0, 0) to (1, 1) with two control points, as
// animation curves are usually given. value(t) maps elapsed time (0...1) to progress.
struct CubicBezier {
    double x1 = 0;
    double y1 = 0;
    double x2 = 1;
    double y2 = 1;

    // t outside 0...1 is clamped.
    double value(double t) const;
};

}  // namespace kelvra
