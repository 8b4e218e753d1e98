#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Rect.h"
#include "port/SettingsPage.h"
#include "settings/CustomLayout.h"

namespace kelvra {

class AppSettings;
class L10n;

// The state and rules of the layout editor in the settings window: a grid on which a
// drag across cells encloses a zone, the grid size that limits the zones, and saving,
// editing, renaming and deleting the saved layouts. The view only draws this state and
// forwards the user's gestures.
class LayoutEditor {
  public:
    // A cell as (column, row).
    using Cell = std::pair<int, int>;
    static constexpr int minColumns = 2, maxColumns = 6, minRows = 1, maxRows = 3;
    // How the canvas draws its grid: the inset around it and the gap between cells, and
    // the side of each zone's remove control.
    static constexpr double canvasInset = 10, canvasGap = 6, removeControlSize = 16;

    LayoutEditor(AppSettings& settings, const L10n& l10n);

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    const std::vector<GridZone>& zones() const { return zones_; }
    const std::optional<Uuid>& editingID() const { return editingID_; }
    const std::optional<Uuid>& renamingID() const { return renamingID_; }
    bool popoverShown() const { return popoverShown_; }
    // The rectangle the drag now spans, while one is under way.
    std::optional<GridZone> pendingZone() const;

    std::string nameInput;
    std::string renameInput;

    // Grid size: out-of-range counts are ignored; zones that no longer fit are dropped.
    void setColumns(int columns);
    void setRows(int rows);
    void clampZones();

    // The cell under a canvas point (clamped to the grid), for a canvas of `size`.
    Cell cellAt(Point point, Size canvasSize) const;
    // What the canvas shows: the grid, its zones, the drag under way, the geometry.
    port::SettingsGrid canvas() const;
    // The zone whose remove control lies under a canvas point (the topmost one).
    std::optional<size_t> removeControlAt(Point point, Size canvasSize) const;
    // A drag (or a click, which is a drag without movement) across the canvas. One that
    // starts on a zone's remove control removes that zone and draws nothing.
    void dragChanged(Point point, Size canvasSize);
    void dragEnded();
    void removeZone(size_t index);
    // "Clear zones": back to a new layout with the same grid.
    void clear();

    // "Save…": opens the name popover (only with zones), the name field empty for a
    // new layout.
    void beginSave();
    void cancelSave() { popoverShown_ = false; }
    std::string suggestedName() const;
    void commitSave();

    void loadIntoEditor(const CustomLayout& layout);
    void startRename(const CustomLayout& layout);
    void commitRename(const CustomLayout& layout);
    void deleteLayout(const Uuid& id);

    // Texts of the editor: its header and the footnote under the grid.
    std::string header() const;
    std::string editorFootnote() const;

  private:
    AppSettings& settings_;
    const L10n& l10n_;
    int columns_ = 4;
    int rows_ = 2;
    std::vector<GridZone> zones_;
    std::optional<Cell> dragStart_, dragCurrent_;
    bool removing_ = false;  // this press removed a zone
    bool popoverShown_ = false;
    std::optional<Uuid> editingID_;
    std::optional<Uuid> renamingID_;
};

}  // namespace kelvra
