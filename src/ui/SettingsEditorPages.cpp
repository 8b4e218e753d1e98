// The shortcuts and layout pages: the two that edit with the keyboard and the mouse.
#include <algorithm>

#include "arrange/Thumbnails.h"
#include "geometry/ScreenInfo.h"
#include "geometry/SnapAction.h"
#include "l10n/DisplayNames.h"
#include "settings/AppSettings.h"
#include "ui/SettingsRows.h"
#include "ui/SettingsViewModel.h"

namespace kelvra {

using port::RowButton;
using port::SettingsControl;
using port::SettingsEdit;
using port::SettingsGesture;
using port::SettingsPage;
using port::SettingsRow;

namespace {
const std::string layoutPrefix = "layout:";

std::optional<CustomLayout> findLayout(const AppSettings& settings, const std::string& id) {
    for (const auto& l : settings.customLayouts())
        if (l.id.uuidString() == id) return l;
    return std::nullopt;
}
}  // namespace

SettingsRow SettingsViewModel::shortcutRow(const std::string& id, const std::string& title,
                                           const std::string& action) const {
    auto r = rows::note(id, title);
    r.control = SettingsControl::shortcut;
    r.recording = recorder_.recording() == action;
    r.note = t("menu.shortcutsTaken");
    const auto& table = settings_.shortcuts();
    auto found = table.find(action);
    if (r.recording) {
        r.text = t("sc.recording");
    } else if (found == table.end()) {
        r.text = t("sc.unset");
    } else {
        r.text = found->second.displayName();
        r.taken = std::find(taken_.begin(), taken_.end(), found->second) != taken_.end();
    }
    return r;
}

SettingsPage SettingsViewModel::shortcutsPage() const {
    SettingsPage p;
    for (SnapAction action : allSnapActions()) {
        const std::string raw(rawValue(action));
        p.rows.push_back(shortcutRow(raw, label(action, l10n_), raw));
    }
    p.footer = t("sc.footer");
    return p;
}

void SettingsViewModel::editShortcuts(const SettingsEdit& e) {
    if (e.gesture != SettingsGesture::recordPressed || !snapActionFromRaw(e.row)) return;
    if (recorder_.recording() == e.row)
        recorder_.stop();
    else
        recorder_.start(e.row, settings_);
}

SettingsPage SettingsViewModel::layoutPage() const {
    SettingsPage p;
    p.intro = t("layout.intro");
    p.rows.push_back(rows::heading("header", layout_.header()));
    auto stepper = [this](std::string id, const std::string& key, int value, int lo, int hi) {
        auto r = rows::note(std::move(id), t(key));
        r.control = SettingsControl::stepper;
        r.value = value;
        r.minimum = lo;
        r.maximum = hi;
        r.valueText = std::to_string(value);
        return r;
    };
    p.rows.push_back(stepper("columns", "lay.columns", layout_.columns(), LayoutEditor::minColumns,
                             LayoutEditor::maxColumns));
    p.rows.push_back(
        stepper("rows", "lay.rows", layout_.rows(), LayoutEditor::minRows, LayoutEditor::maxRows));

    auto grid = rows::note("grid", t("lay.step2"));
    grid.control = SettingsControl::grid;
    grid.grid = layout_.canvas();
    grid.grid.emptyHint = t("layout.emptyHint");
    grid.subtitle = layout_.editorFootnote();
    grid.buttons = {{RowButton::clear, t("lay.clear")}, {RowButton::save, t("lay.saveDots")}};
    p.rows.push_back(grid);

    if (layout_.popoverShown()) {
        auto name = rows::note("layoutName", t("lay.nameTitle"), t("lay.nameKeys"));
        name.control = SettingsControl::text;
        name.text = layout_.nameInput;
        name.placeholder = layout_.suggestedName();
        name.focus = true;
        name.buttons = {{RowButton::cancel, t("common.cancel")},
                        {RowButton::save, t("lay.saveShort")}};
        p.rows.push_back(name);
    }

    auto saved = rows::heading("saved", t("lay.savedLayouts"));
    if (!settings_.customLayouts().empty()) saved.subtitle = t("lay.renameHint");
    p.rows.push_back(saved);
    if (settings_.customLayouts().empty())
        p.rows.push_back(rows::note("empty", t("lay.emptyTitle"), t("lay.emptyBody")));
    const auto screens = ScreenInfo::all();
    const Size screen = screens.empty() ? Size{16, 10} : screens.front().visible.size();
    for (const auto& l : settings_.customLayouts()) {
        auto r = rows::note(layoutPrefix + l.id.uuidString(), l.name,
                            l10n_.plural("lay.zoneCount", static_cast<int64_t>(l.zones.size())));
        r.control = SettingsControl::text;
        r.text = l.name;
        r.icon = "view-grid";
        r.thumbnail = thumbnailOf(l, screen);
        if (layout_.editingID() == l.id) r.badge = t("lay.editing");
        r.buttons = {{RowButton::edit, t("lay.edit")}, {RowButton::deleteItem, t("common.delete")}};
        p.rows.push_back(r);
    }
    return p;
}

void SettingsViewModel::editLayout(const SettingsEdit& e) {
    if (e.row == "columns" || e.row == "rows") {
        const int now = e.row == "columns" ? layout_.columns() : layout_.rows();
        const int next = e.gesture == SettingsGesture::stepperPlus    ? now + 1
                         : e.gesture == SettingsGesture::stepperMinus ? now - 1
                                                                      : now;
        if (e.row == "columns")
            layout_.setColumns(next);
        else
            layout_.setRows(next);
    } else if (e.row == "grid") {
        if (e.gesture == SettingsGesture::dragged)
            layout_.dragChanged(e.point, e.canvas);
        else if (e.gesture == SettingsGesture::dragEnded)
            layout_.dragEnded();
        else if (e.pressed(RowButton::clear))
            layout_.clear();
        else if (e.pressed(RowButton::save))
            layout_.beginSave();
    } else if (e.row == "layoutName") {
        if (e.gesture == SettingsGesture::textCommitted || e.pressed(RowButton::save)) {
            if (e.gesture == SettingsGesture::textCommitted) layout_.nameInput = e.text;
            layout_.commitSave();
        } else if (e.gesture == SettingsGesture::textEdited) {
            layout_.nameInput = e.text;
            return;  // nothing shown changes while typing
        } else if (e.pressed(RowButton::cancel)) {
            layout_.cancelSave();
        }
    } else if (e.row.rfind(layoutPrefix, 0) == 0) {
        auto layout = findLayout(settings_, e.row.substr(layoutPrefix.size()));
        if (!layout) return;
        if (e.gesture == SettingsGesture::textCommitted) {
            layout_.startRename(*layout);
            layout_.renameInput = e.text;
            layout_.commitRename(*layout);
        } else if (e.pressed(RowButton::edit)) {
            layout_.loadIntoEditor(*layout);
        } else if (e.pressed(RowButton::deleteItem)) {
            layout_.deleteLayout(layout->id);
        }
    }
    changed.emit();
}

}  // namespace kelvra
