#include "backends/x11/pure/StrutGeometry.h"

#include <algorithm>

namespace kelvra::x11 {

Strut Strut::partial(const long (&v)[12]) {
    Strut s;
    s.left = static_cast<double>(v[0]);
    s.right = static_cast<double>(v[1]);
    s.top = static_cast<double>(v[2]);
    s.bottom = static_cast<double>(v[3]);
    s.leftStartY = static_cast<double>(v[4]);
    s.leftEndY = static_cast<double>(v[5]);
    s.rightStartY = static_cast<double>(v[6]);
    s.rightEndY = static_cast<double>(v[7]);
    s.topStartX = static_cast<double>(v[8]);
    s.topEndX = static_cast<double>(v[9]);
    s.bottomStartX = static_cast<double>(v[10]);
    s.bottomEndX = static_cast<double>(v[11]);
    return s;
}

Strut Strut::full(const long (&v)[4], const Rect& root) {
    long p[12] = {v[0], v[1], v[2], v[3], 0, 0, 0, 0, 0, 0, 0, 0};
    Strut s = partial(p);
    s.leftEndY = s.rightEndY = root.maxY() - 1;
    s.topEndX = s.bottomEndX = root.maxX() - 1;
    s.leftStartY = s.rightStartY = root.minY();
    s.topStartX = s.bottomStartX = root.minX();
    return s;
}

namespace {

// Whether the closed span [a0, a1] meets the open interval (b0, b1).
bool spanMeets(double a0, double a1, double b0, double b1) {
    return a0 < b1 && a1 + 1 > b0;
}

}  // namespace

Rect visibleFrameOf(const Rect& monitor, const Rect& root, const std::vector<Strut>& struts) {
    double x0 = monitor.minX(), y0 = monitor.minY(), x1 = monitor.maxX(), y1 = monitor.maxY();
    for (const Strut& s : struts) {
        // Struts are measured from the root's edges; the inner edge decides which
        // monitor the panel sits on, so a panel on one monitor leaves its neighbours alone.
        if (s.left > 0) {
            double edge = root.minX() + s.left;
            if (edge > monitor.minX() && edge < monitor.maxX() &&
                spanMeets(s.leftStartY, s.leftEndY, monitor.minY(), monitor.maxY()))
                x0 = std::max(x0, edge);
        }
        if (s.right > 0) {
            double edge = root.maxX() - s.right;
            if (edge > monitor.minX() && edge < monitor.maxX() &&
                spanMeets(s.rightStartY, s.rightEndY, monitor.minY(), monitor.maxY()))
                x1 = std::min(x1, edge);
        }
        if (s.top > 0) {
            double edge = root.minY() + s.top;
            if (edge > monitor.minY() && edge < monitor.maxY() &&
                spanMeets(s.topStartX, s.topEndX, monitor.minX(), monitor.maxX()))
                y0 = std::max(y0, edge);
        }
        if (s.bottom > 0) {
            double edge = root.maxY() - s.bottom;
            if (edge > monitor.minY() && edge < monitor.maxY() &&
                spanMeets(s.bottomStartX, s.bottomEndX, monitor.minX(), monitor.maxX()))
                y1 = std::min(y1, edge);
        }
    }
    if (x1 <= x0 || y1 <= y0) return monitor;
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

Rect workAreaPartOf(const Rect& monitor, const Rect& root, const Rect& workArea) {
    double x0 = monitor.minX(), y0 = monitor.minY(), x1 = monitor.maxX(), y1 = monitor.maxY();
    auto inside = [](double edge, double low, double high) { return edge > low && edge < high; };
    if (monitor.minX() == root.minX() && inside(workArea.minX(), x0, x1)) x0 = workArea.minX();
    if (monitor.maxX() == root.maxX() && inside(workArea.maxX(), x0, x1)) x1 = workArea.maxX();
    if (monitor.minY() == root.minY() && inside(workArea.minY(), y0, y1)) y0 = workArea.minY();
    if (monitor.maxY() == root.maxY() && inside(workArea.maxY(), y0, y1)) y1 = workArea.maxY();
    if (x1 <= x0 || y1 <= y0) return monitor;
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

}  // namespace kelvra::x11
