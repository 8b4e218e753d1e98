#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arrange/LayoutEditor.h"
#include "base/Signal.h"
#include "input/KeyRecorder.h"
#include "port/SettingsPage.h"
#include "settings/KeyCombo.h"
#include "settings/PlacementRule.h"
#include "settings/Workspace.h"
#include "ui/SettingsServices.h"
#include "ui/SettingsTab.h"
#include "ui/StepperPill.h"

namespace kelvra {

class ManagerSnappingConflict;
class WorkspaceManager;

// What every page of the settings window shows and what each gesture on it writes.
// Every control is bound to one settings field: a change goes to the store at once (and
// from there to the file and to every other view). The only state kept here is the
// editing in progress: the recording shortcut, the grid being drawn, the workspace
// being named, the rule being composed.
class SettingsViewModel {
  public:
    explicit SettingsViewModel(const SettingsServices& services);
    ~SettingsViewModel();

    // Captures and restores workspaces; without it those buttons do nothing.
    void setWorkspaceManager(WorkspaceManager* manager) { workspaces_ = manager; }
    // Combinations another program holds: their rows say so.
    void setTakenShortcuts(std::vector<KeyCombo> combos);

    port::SettingsPage page(SettingsTab tab) const;
    void edit(SettingsTab tab, const port::SettingsEdit& edit);
    // Leaving a tab ends what was being edited there (a recording above all).
    void leave(SettingsTab tab);

    // Anything shown changed outside the settings store (a recording began or ended,
    // the grid being drawn, a draft).
    Signal<> changed;

    KeyRecorder& recorder() { return recorder_; }
    const LayoutEditor& layoutEditor() const { return layout_; }

    // The steppers of the window, for the arithmetic and the tests.
    static const StepperPill& overlayOpacityPill();
    static const StepperPill& gapPill();
    static const StepperPill& paddingPill();

    // Transient state of the workspace and rule editors.
    struct WorkspaceDraft {
        bool open = false;
        std::vector<WorkspaceItem> items;
        std::string name;
    };
    struct RuleDraft {
        bool open = false;
        std::string appId;
        std::string appName;
        bool custom = false;  // the Custom zone list instead of the built-in one
        std::optional<ZoneID> zone;
        std::optional<Uuid> layoutID;
        std::optional<int> zoneIndex;
        PlacementRule::Trigger trigger = PlacementRule::Trigger::launch;
        PlacementRule::DisplayTarget display = PlacementRule::DisplayTarget::any;
    };
    const WorkspaceDraft& workspaceDraft() const { return wsDraft_; }
    const RuleDraft& ruleDraft() const { return ruleDraft_; }

    // The name a saved workspace gets: the trimmed input, else the numbered default.
    std::string workspaceName(const std::string& input) const;
    // Appends an excluded application unless one with this identifier is there already.
    // True when it was added.
    bool addExcludedApp(const std::string& appId, const std::string& name);

  private:
    port::SettingsPage generalPage() const;
    port::SettingsPage snapPage() const;
    port::SettingsPage tilingPage() const;
    port::SettingsPage shortcutsPage() const;
    port::SettingsPage layoutPage() const;
    port::SettingsPage workspacesPage() const;
    port::SettingsPage autoPlacePage() const;
    port::SettingsPage excludePage() const;
    port::SettingsPage accountPage() const;

    void editGeneral(const port::SettingsEdit& e);
    void editSnap(const port::SettingsEdit& e);
    void addManagerSnappingRow(port::SettingsPage& p) const;
    void editTiling(const port::SettingsEdit& e);
    void editShortcuts(const port::SettingsEdit& e);
    void editLayout(const port::SettingsEdit& e);
    void editWorkspaces(const port::SettingsEdit& e);
    void editAutoPlace(const port::SettingsEdit& e);
    void editExclude(const port::SettingsEdit& e);
    void editAccount(const port::SettingsEdit& e);

    port::SettingsRow shortcutRow(const std::string& id, const std::string& title,
                                  const std::string& action) const;
    std::string ruleTarget(const PlacementRule& rule) const;
    // The text of a key in the current language.
    std::string t(const std::string& key) const;

    AppSettings& settings_;
    const L10n& l10n_;
    KeyRecorder& recorder_;
    CloudAccount& account_;
    CloudSync& sync_;
    UpdaterController* updater_;
    ManagerSnappingConflict* managerSnapping_;
    WorkspaceManager* workspaces_ = nullptr;
    LayoutEditor layout_;
    std::vector<KeyCombo> taken_;
    WorkspaceDraft wsDraft_;
    RuleDraft ruleDraft_;
    std::vector<Subscription> subscriptions_;
};

}  // namespace kelvra
