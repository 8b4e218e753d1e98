#include "geometry/ScreenInfo.h"

#include "port/Platform.h"

namespace kelvra {

std::vector<ScreenInfo> ScreenInfo::all() {
    auto screens = platform().screens->screens();
    std::vector<ScreenInfo> result;
    result.reserve(screens.size());
    for (const auto& s : screens) result.push_back(ScreenInfo{s, s.frame, s.visibleFrame});
    return result;
}

std::optional<ScreenInfo> ScreenInfo::containing(const Rect& windowFrame) {
    auto screens = all();
    if (screens.empty()) return std::nullopt;
    const ScreenInfo* best = nullptr;
    double bestArea = 0;
    for (const auto& s : screens) {
        Rect overlap = windowFrame.intersection(s.frame);
        if (overlap.isNull()) continue;
        double area = overlap.width * overlap.height;
        // Strictly greater: ties stay with the earlier screen, and touching never wins.
        if (area > bestArea) {
            bestArea = area;
            best = &s;
        }
    }
    return best ? *best : screens.front();
}

std::optional<ScreenInfo> ScreenInfo::containing(Point point) {
    for (const auto& s : all()) {
        if (s.frame.insetBy(-1, -1).contains(point)) return s;
    }
    return std::nullopt;
}

bool ScreenInfo::hasNeighbor(RectEdge edge) const {
    constexpr double reach = 4;
    Point probe;
    switch (edge) {
        case RectEdge::minXEdge:
            probe = {frame.minX() - reach, frame.midY()};
            break;
        case RectEdge::maxXEdge:
            probe = {frame.maxX() + reach, frame.midY()};
            break;
        case RectEdge::minYEdge:
            probe = {frame.midX(), frame.minY() - reach};
            break;
        case RectEdge::maxYEdge:
            probe = {frame.midX(), frame.maxY() + reach};
            break;
    }
    return containing(probe).has_value();
}

}  // namespace kelvra
