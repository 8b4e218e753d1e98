#include "arrange/LayoutEditor.h"

#include <algorithm>
#include <cmath>

#include "arrange/Trimmed.h"
#include "l10n/L10n.h"
#include "settings/AppSettings.h"

namespace kelvra {

namespace {

GridZone spanning(LayoutEditor::Cell a, LayoutEditor::Cell b) {
    return {std::min(a.first, b.first), std::min(a.second, b.second),
            std::abs(a.first - b.first) + 1, std::abs(a.second - b.second) + 1};
}

}  // namespace

LayoutEditor::LayoutEditor(AppSettings& settings, const L10n& l10n)
    : settings_(settings), l10n_(l10n) {}

std::optional<GridZone> LayoutEditor::pendingZone() const {
    if (!dragStart_ || !dragCurrent_) return std::nullopt;
    return spanning(*dragStart_, *dragCurrent_);
}

void LayoutEditor::setColumns(int columns) {
    if (columns < minColumns || columns > maxColumns) return;
    columns_ = columns;
    clampZones();
}

void LayoutEditor::setRows(int rows) {
    if (rows < minRows || rows > maxRows) return;
    rows_ = rows;
    clampZones();
}

void LayoutEditor::clampZones() {
    std::erase_if(zones_, [&](const GridZone& z) {
        return z.col + z.colSpan > columns_ || z.row + z.rowSpan > rows_;
    });
}

LayoutEditor::Cell LayoutEditor::cellAt(Point point, Size canvasSize) const {
    double cellWidth = (canvasSize.width - 2 * canvasInset - canvasGap * (columns_ - 1)) / columns_;
    double cellHeight = (canvasSize.height - 2 * canvasInset - canvasGap * (rows_ - 1)) / rows_;
    auto index = [](double offset, double step, int count) {
        double raw = step > 0 ? std::trunc(offset / step) : 0;
        if (!std::isfinite(raw)) raw = 0;
        return std::clamp(static_cast<int>(std::clamp(raw, -1.0, 1e6)), 0, count - 1);
    };
    return {index(point.x - canvasInset, cellWidth + canvasGap, columns_),
            index(point.y - canvasInset, cellHeight + canvasGap, rows_)};
}

port::SettingsGrid LayoutEditor::canvas() const {
    auto zoneOf = [](const GridZone& z) {
        return port::SettingsGrid::Zone{z.col, z.row, z.colSpan, z.rowSpan};
    };
    port::SettingsGrid grid;
    grid.columns = columns_;
    grid.rows = rows_;
    for (const auto& z : zones_) grid.zones.push_back(zoneOf(z));
    if (auto pending = pendingZone()) {
        grid.hasPending = true;
        grid.pending = zoneOf(*pending);
    }
    grid.inset = canvasInset;
    grid.gap = canvasGap;
    grid.removeSize = removeControlSize;
    return grid;
}

std::optional<size_t> LayoutEditor::removeControlAt(Point point, Size canvasSize) const {
    return port::gridRemoveControlAt(canvas(), point, canvasSize);
}

void LayoutEditor::dragChanged(Point point, Size canvasSize) {
    if (removing_) return;
    if (!dragStart_) {
        if (auto index = removeControlAt(point, canvasSize)) {
            removeZone(*index);
            removing_ = true;
            return;
        }
    }
    Cell cell = cellAt(point, canvasSize);
    if (!dragStart_) dragStart_ = cell;
    dragCurrent_ = cell;
}

void LayoutEditor::dragEnded() {
    removing_ = false;
    if (auto zone = pendingZone())
        if (std::find(zones_.begin(), zones_.end(), *zone) == zones_.end()) zones_.push_back(*zone);
    dragStart_.reset();
    dragCurrent_.reset();
}

void LayoutEditor::removeZone(size_t index) {
    if (index < zones_.size()) zones_.erase(zones_.begin() + static_cast<std::ptrdiff_t>(index));
}

void LayoutEditor::clear() {
    zones_.clear();
    editingID_.reset();
}

void LayoutEditor::beginSave() {
    if (zones_.empty()) return;
    if (!editingID_) nameInput.clear();
    popoverShown_ = true;
}

std::string LayoutEditor::suggestedName() const {
    const auto& l = l10n_;
    size_t n = zones_.size();
    std::string base;
    if (n == 2 && rows_ == 1) {
        int a = zones_[0].colSpan, b = zones_[1].colSpan;
        base = a == b ? l.string("lay.nameHalves")
                      : format(l.string("lay.nameSplit"),
                               {std::to_string(std::max(a, b)), std::to_string(std::min(a, b))});
    } else if (n == 3 && rows_ == 1) {
        base = l.string("lay.nameThirds");
    } else if (n == 4 && columns_ == 2 && rows_ == 2) {
        base = l.string("lay.nameQuarters");
    } else {
        base = l.plural("lay.nameCustom", static_cast<int64_t>(n));
    }
    auto taken = [&](const std::string& name) {
        const auto& saved = settings_.customLayouts();
        return std::any_of(saved.begin(), saved.end(),
                           [&](const CustomLayout& c) { return c.name == name; });
    };
    std::string name = base;
    for (int i = 2; taken(name); ++i) name = base + " " + std::to_string(i);
    return name;
}

void LayoutEditor::commitSave() {
    if (zones_.empty()) {
        popoverShown_ = false;
        return;
    }
    std::string name = trimmed(nameInput);
    if (name.empty()) name = suggestedName();
    auto list = settings_.customLayouts();
    auto edited = editingID_
                      ? std::find_if(list.begin(), list.end(),
                                     [&](const CustomLayout& c) { return c.id == *editingID_; })
                      : list.end();
    if (edited != list.end()) {
        edited->name = name;
        edited->columns = columns_;
        edited->rows = rows_;
        edited->zones = zones_;
    } else {
        list.insert(list.begin(), CustomLayout{Uuid::random(), name, columns_, rows_, zones_});
    }
    settings_.customLayouts.set(std::move(list));
    settings_.persist();
    zones_.clear();
    nameInput.clear();
    editingID_.reset();
    popoverShown_ = false;
}

void LayoutEditor::loadIntoEditor(const CustomLayout& layout) {
    columns_ = layout.columns;
    rows_ = layout.rows;
    zones_ = layout.zones;
    editingID_ = layout.id;
    nameInput = layout.name;
}

void LayoutEditor::startRename(const CustomLayout& layout) {
    renameInput = layout.name;
    renamingID_ = layout.id;
}

void LayoutEditor::commitRename(const CustomLayout& layout) {
    std::string name = trimmed(renameInput);
    renamingID_.reset();
    if (name.empty()) return;
    auto list = settings_.customLayouts();
    for (auto& c : list)
        if (c.id == layout.id) c.name = name;
    settings_.customLayouts.set(std::move(list));
    settings_.persist();
}

void LayoutEditor::deleteLayout(const Uuid& id) {
    auto list = settings_.customLayouts();
    std::erase_if(list, [&](const CustomLayout& c) { return c.id == id; });
    settings_.customLayouts.set(std::move(list));
    settings_.persist();
}

std::string LayoutEditor::header() const {
    return l10n_.string(editingID_ ? "lay.editing" : "lay.new");
}

std::string LayoutEditor::editorFootnote() const {
    const auto& l = l10n_;
    if (zones_.empty()) return l.string("lay.footEmpty");
    return l.plural("lay.footZones", static_cast<int64_t>(zones_.size()));
}

}  // namespace kelvra
