#include "base/Easing.h"

#include <cmath>

namespace kelvra {

namespace {

// One coordinate of the curve at parameter s, with the ends fixed at 0 and 1.
double bezier(double s, double p1, double p2) {
    double u = 1 - s;
    return 3 * u * u * s * p1 + 3 * u * s * s * p2 + s * s * s;
}

double slope(double s, double p1, double p2) {
    double u = 1 - s;
    return 3 * u * u * p1 + 6 * u * s * (p2 - p1) + 3 * s * s * (1 - p2);
}

}  // namespace

double CubicBezier::value(double t) const {
    if (!(t > 0)) return 0;
    if (t >= 1) return 1;
    // x(s) rises monotonically for control x in 0...1: Newton's method converges in a
    // few steps from s = t; bisection takes over where the slope is too flat.
    double s = t;
    for (int i = 0; i < 8; ++i) {
        double error = bezier(s, x1, x2) - t;
        if (std::fabs(error) < 1e-7) return bezier(s, y1, y2);
        double d = slope(s, x1, x2);
        if (std::fabs(d) < 1e-6) break;
        s -= error / d;
        if (s < 0 || s > 1) break;
    }
    double lo = 0, hi = 1;
    s = t;
    for (int i = 0; i < 60; ++i) {
        s = (lo + hi) / 2;
        double x = bezier(s, x1, x2);
        if (std::fabs(x - t) < 1e-9) break;
        (x < t ? lo : hi) = s;
    }
    return bezier(s, y1, y2);
}

}  // namespace kelvra
