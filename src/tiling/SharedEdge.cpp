#include "tiling/SharedEdge.h"

#include <algorithm>
#include <cmath>

namespace kelvra {

namespace {

constexpr double collinearTolerance = 8;  // edges this close lie on one line
constexpr double aggregateHalf = 26;      // the crossing handle is 52 points long
constexpr double minimumPiece = 8;        // shortened edges stay longer than this

// The frame with the axes exchanged, so the horizontal case is the vertical one.
Rect transposed(const Rect& r) {
    return {r.y, r.x, r.height, r.width};
}

std::optional<SharedEdge> edgeAcrossX(const WindowHandle& wa, const Rect& a, const WindowHandle& wb,
                                      const Rect& b, double t, Orientation orientation) {
    const WindowHandle* leftWindow;
    const WindowHandle* rightWindow;
    Rect left, right;
    if (a.maxX() <= b.minX() + t && a.midX() < b.midX()) {
        leftWindow = &wa, rightWindow = &wb, left = a, right = b;
    } else if (b.maxX() <= a.minX() + t && b.midX() < a.midX()) {
        leftWindow = &wb, rightWindow = &wa, left = b, right = a;
    } else {
        return std::nullopt;
    }
    if (std::abs(right.minX() - left.maxX()) > t) return std::nullopt;
    double overlap = std::min(left.maxY(), right.maxY()) - std::max(left.minY(), right.minY());
    if (overlap <= 0.5 * std::min(left.height, right.height)) return std::nullopt;
    SharedEdge edge;
    edge.orientation = orientation;
    edge.position = (left.maxX() + right.minX()) * 0.5;
    edge.span = {std::max(left.minY(), right.minY()), std::min(left.maxY(), right.maxY())};
    edge.leading = {*leftWindow};
    edge.trailing = {*rightWindow};
    edge.outerRange = {std::min(left.minX(), right.minX()), std::max(left.maxX(), right.maxX())};
    return edge;
}

}  // namespace

const char* rawValue(Orientation orientation) {
    return orientation == Orientation::vertical ? "vertical" : "horizontal";
}

std::string SharedEdge::identity() const {
    std::vector<std::string> ids;
    ids.reserve(leading.size() + trailing.size());
    for (const auto& w : leading) ids.push_back(std::to_string(w.element().id));
    for (const auto& w : trailing) ids.push_back(std::to_string(w.element().id));
    std::sort(ids.begin(), ids.end());
    std::string text = rawValue(orientation);
    text += '-';
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i) text += ',';
        text += ids[i];
    }
    return text;
}

bool SharedEdge::contains(const WindowHandle& window, bool inLeading) const {
    const auto& side = inLeading ? leading : trailing;
    return std::find(side.begin(), side.end(), window) != side.end();
}

std::optional<SharedEdge> verticalEdge(const EdgeMember& a, const EdgeMember& b, double tolerance) {
    return edgeAcrossX(a.window, a.frame, b.window, b.frame, tolerance, Orientation::vertical);
}

std::optional<SharedEdge> horizontalEdge(const EdgeMember& a, const EdgeMember& b,
                                         double tolerance) {
    return edgeAcrossX(a.window, transposed(a.frame), b.window, transposed(b.frame), tolerance,
                       Orientation::horizontal);
}

std::vector<SharedEdge> splitWithAggregate(std::vector<SharedEdge> pair) {
    std::stable_sort(pair.begin(), pair.end(), [](const SharedEdge& x, const SharedEdge& y) {
        return x.span.lower < y.span.lower;
    });
    if (pair.size() != 2) return pair;
    const SharedEdge& e1 = pair[0];
    const SharedEdge& e2 = pair[1];
    double mid = (e1.span.upper + e2.span.lower) * 0.5;
    double low = mid - aggregateHalf;
    double high = mid + aggregateHalf;
    if (!(e1.span.lower + minimumPiece < low && high < e2.span.upper - minimumPiece)) return pair;
    SharedEdge first = e1;
    first.span.upper = low;
    SharedEdge aggregate;
    aggregate.orientation = e1.orientation;
    aggregate.position = (e1.position + e2.position) * 0.5;
    aggregate.span = {low, high};
    aggregate.leading = e1.leading;
    aggregate.leading.insert(aggregate.leading.end(), e2.leading.begin(), e2.leading.end());
    aggregate.trailing = e1.trailing;
    aggregate.trailing.insert(aggregate.trailing.end(), e2.trailing.begin(), e2.trailing.end());
    aggregate.outerRange = {std::min(e1.outerRange.lower, e2.outerRange.lower),
                            std::max(e1.outerRange.upper, e2.outerRange.upper)};
    aggregate.isAggregate = true;
    SharedEdge last = e2;
    last.span.lower = high;
    return {std::move(first), std::move(aggregate), std::move(last)};
}

std::vector<SharedEdge> findSharedEdges(const std::vector<EdgeMember>& members, double windowGap) {
    double t = windowGap + 6;
    std::vector<SharedEdge> raw;
    for (size_t i = 0; i < members.size(); ++i) {
        for (size_t j = i + 1; j < members.size(); ++j) {
            const auto& a = members[i];
            const auto& b = members[j];
            // Windows on different screens never link.
            if (!(a.screenFrame == b.screenFrame)) continue;
            if (auto e = verticalEdge(a, b, t)) raw.push_back(std::move(*e));
            if (auto e = horizontalEdge(a, b, t)) raw.push_back(std::move(*e));
        }
    }
    std::vector<std::vector<SharedEdge>> lines;
    for (auto& edge : raw) {
        auto line = std::find_if(lines.begin(), lines.end(), [&](const auto& l) {
            return l.front().orientation == edge.orientation &&
                   std::abs(l.front().position - edge.position) < collinearTolerance;
        });
        if (line == lines.end()) {
            lines.push_back({std::move(edge)});
        } else {
            line->push_back(std::move(edge));
        }
    }
    std::vector<SharedEdge> edges;
    for (auto& line : lines) {
        if (line.size() == 2) line = splitWithAggregate(std::move(line));
        for (auto& e : line) edges.push_back(std::move(e));
    }
    return edges;
}

double nearSide(const Rect& frame, Orientation orientation) {
    return orientation == Orientation::vertical ? frame.minX() : frame.minY();
}

double farSide(const Rect& frame, Orientation orientation) {
    return orientation == Orientation::vertical ? frame.maxX() : frame.maxY();
}

Rect withNearSide(const Rect& frame, Orientation orientation, double side) {
    Rect r = frame;
    if (orientation == Orientation::vertical) {
        r.x = side;
        r.width = frame.maxX() - side;
    } else {
        r.y = side;
        r.height = frame.maxY() - side;
    }
    return r;
}

Rect withFarSide(const Rect& frame, Orientation orientation, double side) {
    Rect r = frame;
    if (orientation == Orientation::vertical) {
        r.width = side - frame.minX();
    } else {
        r.height = side - frame.minY();
    }
    return r;
}

}  // namespace kelvra
