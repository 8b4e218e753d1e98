#include "settings/CustomLayout.h"

namespace kelvra {

std::optional<Rect> CustomLayout::zoneFrame(int index, const Rect& visible, double gap,
                                            double padding) const {
    if (index < 0 || index >= static_cast<int>(zones.size())) return std::nullopt;
    // A damaged or synced layout may carry any numbers: refuse rather than divide by
    // zero or place a window outside its grid.
    if (columns <= 0 || rows <= 0) return std::nullopt;
    const GridZone& z = zones[static_cast<size_t>(index)];
    if (z.col < 0 || z.row < 0 || z.colSpan < 1 || z.rowSpan < 1) return std::nullopt;
    if (z.col + z.colSpan > columns || z.row + z.rowSpan > rows) return std::nullopt;

    Rect area = visible.insetBy(padding, padding);
    if (area.isEmpty() || !area.isFinite()) return std::nullopt;

    double cellWidth = (area.width - gap * (columns - 1)) / columns;
    double cellHeight = (area.height - gap * (rows - 1)) / rows;
    Rect r(area.minX() + (cellWidth + gap) * z.col, area.minY() + (cellHeight + gap) * z.row,
           cellWidth * z.colSpan + gap * (z.colSpan - 1),
           cellHeight * z.rowSpan + gap * (z.rowSpan - 1));
    if (!r.isFinite() || r.width <= 0 || r.height <= 0) return std::nullopt;
    return r;
}

}  // namespace kelvra
