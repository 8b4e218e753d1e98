// The pages that edit lists of records: workspaces, placement rules, excluded apps.
#include <algorithm>

#include "arrange/Thumbnails.h"
#include "arrange/Trimmed.h"
#include "arrange/WorkspaceManager.h"
#include "base/ZoneID.h"
#include "geometry/ScreenInfo.h"
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
const std::string wsPrefix = "ws:";
const std::string wsShortcutPrefix = "wssc:";
const std::string rulePrefix = "rule:";
const std::string excludedPrefix = "exc:";

template <typename T>
auto findById(const std::vector<T>& list, const std::string& id) {
    return std::find_if(list.begin(), list.end(),
                        [&](const T& item) { return item.id.uuidString() == id; });
}

std::string withoutPrefix(const std::string& s, const std::string& prefix) {
    return s.rfind(prefix, 0) == 0 ? s.substr(prefix.size()) : std::string();
}

SettingsRow choice(std::string id, std::string title, std::vector<std::string> options,
                   int selected) {
    auto r = rows::note(std::move(id), std::move(title));
    r.control = SettingsControl::segmented;
    r.options = std::move(options);
    r.selected = selected;
    return r;
}
}  // namespace

// Workspaces ---------------------------------------------------------------------------

std::string SettingsViewModel::workspaceName(const std::string& input) const {
    auto name = trimmed(input);
    if (!name.empty()) return name;
    return format(t("ws.defaultName"), {std::to_string(settings_.workspaces().size() + 1)});
}

SettingsPage SettingsViewModel::workspacesPage() const {
    SettingsPage p;
    p.intro = t("ws.intro");
    p.rows.push_back(rows::button("saveCurrent", "", t("ws.saveCurrent")));
    p.rows.back().enabled = workspaces_ != nullptr;
    if (wsDraft_.open) {
        auto name = rows::note(
            "wsName", t("ws.saveTitle"),
            l10n_.plural("ws.saveCountBody", static_cast<int64_t>(wsDraft_.items.size())) + " · " +
                t("lay.nameKeys"));
        name.control = SettingsControl::text;
        name.text = wsDraft_.name;
        name.placeholder = t("ws.namePlaceholder");
        name.focus = true;
        name.buttons = {{RowButton::cancel, t("common.cancel")}, {RowButton::save, t("ws.save")}};
        p.rows.push_back(name);
    }
    if (settings_.workspaces().empty())
        p.rows.push_back(rows::note("empty", t("ws.emptyTitle"), t("ws.emptyBody")));
    std::vector<Rect> monitors;
    for (const auto& screen : ScreenInfo::all()) monitors.push_back(screen.frame);
    for (const auto& w : settings_.workspaces()) {
        const std::string id = w.id.uuidString();
        auto r = rows::note(wsPrefix + id, w.name,
                            l10n_.plural("ws.count", static_cast<int64_t>(w.items.size())));
        r.control = SettingsControl::text;
        r.text = w.name;
        r.icon = "view-restore";
        r.thumbnail = thumbnailOf(w, monitors);
        r.buttons = {{RowButton::apply, t("ws.apply")},
                     {RowButton::deleteItem, t("common.delete")}};
        p.rows.push_back(r);
        auto sc = shortcutRow(wsShortcutPrefix + id, "", "workspace:" + id);
        sc.subtitle = t("ws.scHint");
        p.rows.push_back(sc);
    }
    return p;
}

void SettingsViewModel::editWorkspaces(const SettingsEdit& e) {
    if (e.row == "saveCurrent") {
        if (!workspaces_) return;
        wsDraft_ = {true, workspaces_->captureCurrent(), ""};
    } else if (e.row == "wsName") {
        if (e.gesture == SettingsGesture::textEdited) {
            wsDraft_.name = e.text;
            return;
        }
        if (e.gesture == SettingsGesture::textCommitted || e.pressed(RowButton::save)) {
            if (e.gesture == SettingsGesture::textCommitted) wsDraft_.name = e.text;
            auto name = workspaceName(wsDraft_.name);
            if (workspaces_) {
                workspaces_->append(name, std::move(wsDraft_.items));
            } else {
                auto list = settings_.workspaces();
                list.push_back({Uuid::random(), name, std::move(wsDraft_.items)});
                settings_.workspaces.set(std::move(list));
            }
        }
        wsDraft_ = {};
    } else if (auto id = withoutPrefix(e.row, wsShortcutPrefix); !id.empty()) {
        const std::string action = "workspace:" + id;
        if (recorder_.recording() == action)
            recorder_.stop();
        else
            recorder_.start(action, settings_);
    } else if (auto wid = withoutPrefix(e.row, wsPrefix); !wid.empty()) {
        auto list = settings_.workspaces();
        auto it = std::find_if(list.begin(), list.end(),
                               [&](const Workspace& w) { return w.id.uuidString() == wid; });
        if (it == list.end()) return;
        if (e.gesture == SettingsGesture::textCommitted) {
            // An empty new name keeps the old one.
            auto name = trimmed(e.text);
            if (name.empty() || name == it->name) return changed.emit();
            it->name = name;
            settings_.workspaces.set(std::move(list));
        } else if (e.pressed(RowButton::apply)) {
            if (workspaces_) workspaces_->restore(*it);
        } else if (e.pressed(RowButton::deleteItem)) {
            auto table = settings_.shortcuts();
            list.erase(it);
            settings_.workspaces.set(std::move(list));
            if (table.erase("workspace:" + wid)) settings_.shortcuts.set(std::move(table));
        }
    }
    changed.emit();
}

// Auto-place ---------------------------------------------------------------------------

std::string SettingsViewModel::ruleTarget(const PlacementRule& rule) const {
    if (rule.zone) return displayName(*rule.zone, l10n_);
    if (rule.customLayoutID && rule.customZoneIndex) {
        auto it = findById(settings_.customLayouts(), rule.customLayoutID->uuidString());
        if (it != settings_.customLayouts().end())
            return it->name + " · " +
                   format(t("menu.zoneN"), {std::to_string(*rule.customZoneIndex + 1)});
    }
    return "?";
}

SettingsPage SettingsViewModel::autoPlacePage() const {
    SettingsPage p;
    p.intro = t("rule.intro");
    const std::vector<std::string> triggers = {t("rule.trigLaunch"), t("rule.trigNewWindow")};
    const std::vector<std::string> displays = {t("rule.dispAny"), t("rule.dispBuiltin"),
                                               t("rule.dispExternal")};
    if (!ruleDraft_.open) {
        p.rows.push_back(rows::button("add", "", t("rule.add")));
    } else {
        const auto& d = ruleDraft_;
        auto app = rows::note("ruleApp", "1 · " + t("rule.step1"), d.appName);
        app.control = SettingsControl::appChooser;
        app.text = d.appName.empty() ? t("rule.step1") : d.appName;
        app.icon = d.appId;
        app.placeholder = t("chooser.search");
        app.note = t("chooser.running");
        p.rows.push_back(app);
        p.rows.push_back(choice("ruleZoneKind", "2 · " + t("rule.step2"),
                                {t("rule.zoneBuiltin"), t("rule.zoneCustom")}, d.custom ? 1 : 0));
        auto zone = rows::note("ruleZone", "");
        zone.control = SettingsControl::choice;
        if (!d.custom) {
            for (ZoneID z : allZoneIDs()) {
                zone.options.push_back(displayName(z, l10n_));
                if (d.zone == z) zone.selected = static_cast<int>(zone.options.size() - 1);
            }
        } else {
            for (const auto& l : settings_.customLayouts())
                for (size_t i = 0; i < l.zones.size(); ++i) {
                    zone.options.push_back(l.name + " · " +
                                           format(t("menu.zoneN"), {std::to_string(i + 1)}));
                    if (d.layoutID == l.id && d.zoneIndex == static_cast<int>(i))
                        zone.selected = static_cast<int>(zone.options.size() - 1);
                }
        }
        p.rows.push_back(zone);
        p.rows.push_back(
            choice("ruleTrigger", "3 · " + t("rule.step3"), triggers, static_cast<int>(d.trigger)));
        p.rows.push_back(choice("ruleDisplay", "", displays, static_cast<int>(d.display)));
        const bool complete = !d.appId.empty() && (d.zone || d.zoneIndex);
        std::string target;
        if (complete) {
            PlacementRule r;
            r.zone = d.zone;
            r.customLayoutID = d.layoutID;
            r.customZoneIndex = d.zoneIndex;
            target = ruleTarget(r);
        }
        auto summary =
            rows::note("ruleSummary", complete ? format(t("rule.summary"), {d.appName, target})
                                               : t("rule.summaryHint"));
        summary.buttons = {{RowButton::cancel, t("common.cancel")},
                           {RowButton::commit, t("rule.commit")}};
        p.rows.push_back(summary);
    }
    if (settings_.placementRules().empty())
        p.rows.push_back(rows::note("empty", t("rule.emptyTitle"), t("rule.emptyBody")));
    for (const auto& r : settings_.placementRules()) {
        auto row = rows::note(rulePrefix + r.id.uuidString(),
                              format(t("rule.summary"), {r.appName, ruleTarget(r)}),
                              triggers[static_cast<size_t>(r.trigger)] + " · " +
                                  displays[static_cast<size_t>(r.display)]);
        row.control = SettingsControl::toggle;
        row.on = r.enabled;
        row.icon = r.appId;
        row.buttons = {{RowButton::deleteItem, t("common.delete")}};
        p.rows.push_back(row);
    }
    return p;
}

void SettingsViewModel::editAutoPlace(const SettingsEdit& e) {
    auto& d = ruleDraft_;
    const auto index = static_cast<int>(e.value);
    if (e.row == "add") {
        d = {};
        d.open = true;
    } else if (e.row == "ruleApp" && e.gesture == SettingsGesture::appChosen) {
        d.appId = e.text;
        d.appName = e.detail.empty() ? e.text : e.detail;
    } else if (e.row == "ruleZoneKind") {
        d.custom = index == 1;
        d.zone.reset();
        d.layoutID.reset();
        d.zoneIndex.reset();
    } else if (e.row == "ruleZone" && index >= 0) {
        if (!d.custom) {
            if (static_cast<size_t>(index) < allZoneIDs().size())
                d.zone = allZoneIDs()[static_cast<size_t>(index)];
        } else {
            int n = index;
            for (const auto& l : settings_.customLayouts()) {
                if (n < static_cast<int>(l.zones.size())) {
                    d.layoutID = l.id;
                    d.zoneIndex = n;
                    break;
                }
                n -= static_cast<int>(l.zones.size());
            }
        }
    } else if (e.row == "ruleTrigger" && index >= 0 && index < 2) {
        d.trigger = static_cast<PlacementRule::Trigger>(index);
    } else if (e.row == "ruleDisplay" && index >= 0 && index < 3) {
        d.display = static_cast<PlacementRule::DisplayTarget>(index);
    } else if (e.row == "ruleSummary" && e.pressed(RowButton::cancel)) {
        d = {};
    } else if (e.row == "ruleSummary" && e.pressed(RowButton::commit)) {
        if (d.appId.empty() || (!d.zone && !d.zoneIndex)) return;
        PlacementRule rule;
        rule.id = Uuid::random();
        rule.appId = d.appId;
        rule.appName = d.appName;
        rule.zone = d.zone;
        rule.customLayoutID = d.layoutID;
        rule.customZoneIndex = d.zoneIndex;
        rule.trigger = d.trigger;
        rule.display = d.display;
        auto list = settings_.placementRules();
        list.push_back(rule);
        settings_.placementRules.set(std::move(list));
        d = {};
    } else if (auto id = withoutPrefix(e.row, rulePrefix); !id.empty()) {
        auto list = settings_.placementRules();
        auto it = std::find_if(list.begin(), list.end(),
                               [&](const PlacementRule& r) { return r.id.uuidString() == id; });
        if (it == list.end()) return;
        if (e.gesture == SettingsGesture::toggled)
            it->enabled = e.value != 0;
        else if (e.pressed(RowButton::deleteItem))
            list.erase(it);
        else
            return;
        settings_.placementRules.set(std::move(list));
    }
    changed.emit();
}

// Excluded apps ------------------------------------------------------------------------

bool SettingsViewModel::addExcludedApp(const std::string& appId, const std::string& name) {
    if (appId.empty() || settings_.isExcluded(appId)) return false;
    auto list = settings_.excludedApps();
    list.push_back({appId, name.empty() ? appId : name});
    settings_.excludedApps.set(std::move(list));
    return true;
}

SettingsPage SettingsViewModel::excludePage() const {
    SettingsPage p;
    auto add = rows::note("add", "");
    add.control = SettingsControl::appChooser;
    add.text = t("exc.choose");
    add.placeholder = t("chooser.search");
    add.note = t("chooser.running");
    p.rows.push_back(add);
    if (settings_.excludedApps().empty()) p.rows.push_back(rows::note("empty", t("exc.empty")));
    for (const auto& app : settings_.excludedApps()) {
        auto r = rows::note(excludedPrefix + app.appId, app.name, app.appId);
        r.icon = app.appId;
        r.badge = t("exc.badge");
        r.buttons = {{RowButton::remove, t("common.remove")}};
        p.rows.push_back(r);
    }
    p.footer = t("exc.footer");
    return p;
}

void SettingsViewModel::editExclude(const SettingsEdit& e) {
    if (e.row == "add" && e.gesture == SettingsGesture::appChosen) {
        addExcludedApp(e.text, e.detail);
    } else if (auto id = withoutPrefix(e.row, excludedPrefix);
               !id.empty() && e.pressed(RowButton::remove)) {
        auto list = settings_.excludedApps();
        std::erase_if(list, [&](const ExcludedApp& a) { return a.appId == id; });
        settings_.excludedApps.set(std::move(list));
    }
}

}  // namespace kelvra
