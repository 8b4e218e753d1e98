#include "port/SettingsPage.h"

namespace kelvra::port {

Rect gridZoneFrame(const SettingsGrid& grid, const SettingsGrid::Zone& zone, Size canvas) {
    const double width = canvas.width - 2 * grid.inset, height = canvas.height - 2 * grid.inset;
    const double cellWidth = (width - grid.gap * (grid.columns - 1)) / grid.columns;
    const double cellHeight = (height - grid.gap * (grid.rows - 1)) / grid.rows;
    return {grid.inset + zone.col * (cellWidth + grid.gap),
            grid.inset + zone.row * (cellHeight + grid.gap),
            zone.colSpan * cellWidth + (zone.colSpan - 1) * grid.gap,
            zone.rowSpan * cellHeight + (zone.rowSpan - 1) * grid.gap};
}

Rect gridRemoveFrame(const SettingsGrid& grid, const SettingsGrid::Zone& zone, Size canvas) {
    const Rect frame = gridZoneFrame(grid, zone, canvas);
    // Inside the zone's rounded corner, clear of its border.
    const double margin = 4;
    return {frame.maxX() - margin - grid.removeSize, frame.y + margin, grid.removeSize,
            grid.removeSize};
}

std::optional<size_t> gridRemoveControlAt(const SettingsGrid& grid, Point point, Size canvas) {
    for (size_t i = grid.zones.size(); i-- > 0;)
        if (gridRemoveFrame(grid, grid.zones[i], canvas).contains(point)) return i;
    return std::nullopt;
}

}  // namespace kelvra::port
