#include "arrange/Thumbnails.h"

#include <algorithm>

namespace kelvra {

namespace {

// The gap between neighbouring zones, as a part of the picture's width.
constexpr double zoneGap = 0.03;

Rect unionOf(const Rect& a, const Rect& b) {
    const double x0 = std::min(a.minX(), b.minX()), y0 = std::min(a.minY(), b.minY());
    return {x0, y0, std::max(a.maxX(), b.maxX()) - x0, std::max(a.maxY(), b.maxY()) - y0};
}

}  // namespace

port::Thumbnail thumbnailOf(const CustomLayout& layout, Size screen) {
    port::Thumbnail picture;
    if (screen.width > 0 && screen.height > 0) picture.aspect = screen.width / screen.height;
    if (layout.columns <= 0 || layout.rows <= 0) return picture;
    const double gapX = zoneGap, gapY = zoneGap * picture.aspect;
    const double cellW = (1 - gapX) / layout.columns, cellH = (1 - gapY) / layout.rows;
    for (const auto& z : layout.zones) {
        if (z.col < 0 || z.row < 0 || z.colSpan < 1 || z.rowSpan < 1 ||
            z.col + z.colSpan > layout.columns || z.row + z.rowSpan > layout.rows)
            continue;
        picture.rects.emplace_back(gapX + z.col * cellW, gapY + z.row * cellH,
                                   z.colSpan * cellW - gapX, z.rowSpan * cellH - gapY);
    }
    return picture;
}

port::Thumbnail thumbnailOf(const Workspace& workspace, const std::vector<Rect>& monitors) {
    port::Thumbnail picture;
    std::vector<Rect> frames;
    for (const auto& item : workspace.items)
        if (item.w > 0 && item.h > 0) frames.emplace_back(item.x, item.y, item.w, item.h);
    const std::vector<Rect>& extent = monitors.empty() ? frames : monitors;
    if (extent.empty()) return picture;
    Rect desktop = extent.front();
    for (const auto& r : extent) desktop = unionOf(desktop, r);
    if (desktop.width <= 0 || desktop.height <= 0) return picture;
    picture.aspect = desktop.width / desktop.height;
    for (const auto& f : frames) {
        const double x0 = std::clamp((f.minX() - desktop.x) / desktop.width, 0.0, 1.0);
        const double y0 = std::clamp((f.minY() - desktop.y) / desktop.height, 0.0, 1.0);
        const double x1 = std::clamp((f.maxX() - desktop.x) / desktop.width, 0.0, 1.0);
        const double y1 = std::clamp((f.maxY() - desktop.y) / desktop.height, 0.0, 1.0);
        if (x1 > x0 && y1 > y0) picture.rects.emplace_back(x0, y0, x1 - x0, y1 - y0);
    }
    return picture;
}

}  // namespace kelvra
