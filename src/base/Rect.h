#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <ostream>

namespace kelvra {

// Points and rectangles in points, double precision. Which coordinate space a value
// is in is stated where it is used (see Coord.h).
struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// The four edges of a rectangle, named by their top-left-space meaning:
// minYEdge is the top edge, maxYEdge the bottom edge.
enum class RectEdge { minXEdge, minYEdge, maxXEdge, maxYEdge };

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    Rect() = default;
    Rect(double x_, double y_, double w, double h) : x(x_), y(y_), width(w), height(h) {}
    Rect(Point origin, Size size)
        : x(origin.x), y(origin.y), width(size.width), height(size.height) {}

    // The null rectangle: the result of an empty intersection or an over-sized inset.
    static Rect null() { return Rect(INFINITY, INFINITY, 0, 0); }

    Point origin() const { return {x, y}; }
    Size size() const { return {width, height}; }
    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    double midX() const { return x + width * 0.5; }
    double midY() const { return y + height * 0.5; }

    bool isNull() const { return std::isinf(x) || std::isinf(y); }
    bool isEmpty() const { return isNull() || width <= 0 || height <= 0; }
    // Every component is a finite number.
    bool isFinite() const {
        return std::isfinite(x) && std::isfinite(y) && std::isfinite(width) &&
               std::isfinite(height);
    }

    // Grows (negative d) or shrinks (positive d) the rectangle on every side.
    // Shrinking past zero gives the null rectangle.
    Rect insetBy(double dx, double dy) const {
        Rect r(x + dx, y + dy, width - 2 * dx, height - 2 * dy);
        if (r.width < 0 || r.height < 0) return null();
        return r;
    }

    Rect intersection(const Rect& o) const {
        if (isNull() || o.isNull()) return null();
        double x0 = std::max(minX(), o.minX());
        double y0 = std::max(minY(), o.minY());
        double x1 = std::min(maxX(), o.maxX());
        double y1 = std::min(maxY(), o.maxY());
        if (x1 < x0 || y1 < y0) return null();
        return Rect(x0, y0, x1 - x0, y1 - y0);
    }

    // Half-open containment: minX <= p.x < maxX and minY <= p.y < maxY.
    bool contains(Point p) const {
        return !isNull() && p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }

    // Component-wise comparison with an inclusive tolerance. Written as "within" tests
    // so that a NaN anywhere (either rectangle or the tolerance) never compares equal.
    bool approximatelyEquals(const Rect& o, double tolerance) const {
        return std::fabs(minX() - o.minX()) <= tolerance &&
               std::fabs(minY() - o.minY()) <= tolerance &&
               std::fabs(width - o.width) <= tolerance && std::fabs(height - o.height) <= tolerance;
    }

    friend bool operator==(const Rect&, const Rect&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}
inline std::ostream& operator<<(std::ostream& os, const Point& p) {
    return os << "(" << p.x << ", " << p.y << ")";
}
inline std::ostream& operator<<(std::ostream& os, const Size& s) {
    return os << "(" << s.width << " x " << s.height << ")";
}

}  // namespace kelvra
