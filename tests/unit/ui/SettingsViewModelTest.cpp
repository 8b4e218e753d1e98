#include <gtest/gtest.h>

#include <functional>

#include "backends/sim/SimDesktop.h"
#include "cloud/CloudAccount.h"
#include "cloud/CloudSync.h"
#include "input/ManagerSnappingConflict.h"
#include "l10n/L10n.h"
#include "port/KeyMonitor.h"
#include "settings/AppSettings.h"
#include "ui/SettingsViewModel.h"
#include "unit/ui/SettingsParts.h"

namespace kelvra {
namespace {

using port::RowButton;
using port::SettingsEdit;
using Gesture = port::SettingsGesture;

SettingsEdit edit(std::string row, Gesture gesture, double value = 0, std::string text = {},
                  std::string detail = {}) {
    SettingsEdit e;
    e.row = std::move(row);
    e.gesture = gesture;
    e.value = value;
    e.text = std::move(text);
    e.detail = std::move(detail);
    return e;
}

SettingsEdit press(std::string row, RowButton button) {
    auto e = edit(std::move(row), Gesture::buttonPressed);
    e.button = button;
    return e;
}

const port::SettingsRow* findRow(const port::SettingsPage& page, const std::string& id) {
    for (const auto& r : page.rows)
        if (r.id == id) return &r;
    return nullptr;
}

class SettingsViewModelTest : public ::testing::Test {
  protected:
    void SetUp() override { desk.install(); }
    sim::SimDesktop desk;
};

// Every binding writes its field, the page shows the new value at once, and a store
// loaded afresh from the same settings file reads it back.
TEST_F(SettingsViewModelTest, EveryBindingWritesItsFieldAndSurvivesARestartOfTheStore) {
    struct Case {
        SettingsTab tab;
        std::vector<SettingsEdit> edits;
        std::function<bool(const AppSettings&)> stored;
    };
    const int german = [] {
        const auto options = L10n().pickerOptions();
        for (size_t i = 0; i < options.size(); ++i)
            if (options[i].first == "de") return static_cast<int>(i);
        return -1;
    }();
    std::vector<Case> cases = {
        {SettingsTab::general,
         {edit("language", Gesture::selected, german)},
         [](auto& s) { return s.languageCode() == std::optional<std::string>("de"); }},
        {SettingsTab::general,
         {edit("language", Gesture::selected, german), edit("language", Gesture::selected, 0)},
         [](auto& s) { return !s.languageCode(); }},
        {SettingsTab::snap,
         {edit("topEdge", Gesture::selected, 2)},
         [](auto& s) { return s.topEdgeAction() == TopEdgeAction::maximize; }},
        {SettingsTab::snap,
         {edit("overlayOpacity", Gesture::sliderMoved, 0.3349)},
         [](auto& s) { return std::abs(s.overlayOpacity() - 0.33) < 1e-9; }},
        {SettingsTab::tiling,
         {edit("gap", Gesture::sliderMoved, 12.4)},
         [](auto& s) { return s.windowGap() == 12; }},
        {SettingsTab::tiling,
         {edit("padding", Gesture::stepperPlus), edit("padding", Gesture::stepperPlus)},
         [](auto& s) { return s.screenPadding() == 2; }},
        {SettingsTab::tiling,
         {edit("minWidth", Gesture::selected, 3)},
         [](auto& s) { return s.minWindowWidth() == 560; }},
        {SettingsTab::exclude,
         {edit("add", Gesture::appChosen, 0, "org.gnome.Calculator", "Calculator")},
         [](auto& s) {
             return s.excludedApps() ==
                    std::vector<ExcludedApp>{{"org.gnome.Calculator", "Calculator"}};
         }},
        {SettingsTab::autoPlace,
         {edit("add", Gesture::clicked),
          edit("ruleApp", Gesture::appChosen, 0, "firefox", "Firefox"),
          edit("ruleZone", Gesture::selected, 1), edit("ruleTrigger", Gesture::selected, 1),
          edit("ruleDisplay", Gesture::selected, 2), press("ruleSummary", RowButton::commit)},
         [](auto& s) {
             if (s.placementRules().size() != 1) return false;
             const auto& r = s.placementRules()[0];
             return r.appId == "firefox" && r.appName == "Firefox" && r.zone == allZoneIDs()[1] &&
                    r.trigger == PlacementRule::Trigger::newWindow &&
                    r.display == PlacementRule::DisplayTarget::external;
         }},
        {SettingsTab::workspaces,
         {edit("wsName", Gesture::textCommitted, 0, "  Writing  ")},
         [](auto& s) { return s.workspaces().size() == 1 && s.workspaces()[0].name == "Writing"; }},
        {SettingsTab::layout,
         {edit("grid", Gesture::dragged), edit("grid", Gesture::dragEnded),
          press("grid", RowButton::save), edit("layoutName", Gesture::textCommitted, 0, "Mine")},
         [](auto& s) {
             return s.customLayouts().size() == 1 && s.customLayouts()[0].name == "Mine";
         }},
    };
    // Switches: the field follows the switch.
    const struct {
        SettingsTab tab;
        const char* row;
        bool on;
        Published<bool> AppSettings::*field;
    } toggles[] = {
        {SettingsTab::general, "launchAtLogin", true, &AppSettings::launchAtLogin},
        {SettingsTab::general, "showMenuBarIcon", false, &AppSettings::showTrayIcon},
        {SettingsTab::general, "crashReports", false, &AppSettings::crashReportingEnabled},
        {SettingsTab::snap, "dragSnap", false, &AppSettings::dragSnapEnabled},
        {SettingsTab::snap, "snapAssist", false, &AppSettings::snapAssistEnabled},
        {SettingsTab::snap, "cornerQuarter", false, &AppSettings::cornerQuarterPriority},
        {SettingsTab::tiling, "linked", false, &AppSettings::tilingEnabled},
        {SettingsTab::tiling, "dblReset", false, &AppSettings::dividerDoubleClickReset},
    };
    for (const auto& t : toggles)
        cases.push_back({t.tab, {edit(t.row, Gesture::toggled, t.on)}, [t](auto& s) {
                             return (s.*t.field)() == t.on;
                         }});
    for (size_t i = 0; i < cases.size(); ++i) {
        sim::SimDesktop fresh;
        fresh.install();
        {
            AppSettings settings(fresh.defaults());
            test::SettingsParts parts(settings);
            SettingsViewModel vm(parts.services());
            const auto before = vm.page(cases[i].tab);
            for (auto e : cases[i].edits) {
                e.canvas = {400, 160};
                e.point = {20, 20};
                vm.edit(cases[i].tab, e);
            }
            EXPECT_TRUE(cases[i].stored(settings)) << "case " << i;
            if (cases[i].tab != SettingsTab::general) {  // a language change retranslates
                EXPECT_NE(vm.page(cases[i].tab), before) << "case " << i << ": page unchanged";
            }
        }
        AppSettings reloaded(fresh.defaults());
        EXPECT_TRUE(cases[i].stored(reloaded)) << "case " << i << " after a restart";
    }
    desk.install();
}

TEST_F(SettingsViewModelTest, StepperPillsStepToMultiplesClampAndResetToTheirDefault) {
    const auto& opacity = SettingsViewModel::overlayOpacityPill();
    const auto& gap = SettingsViewModel::gapPill();
    const auto& padding = SettingsViewModel::paddingPill();
    struct Case {
        const StepperPill& pill;
        double value;
        char op;  // '-', '+' or 'r'
        double expected;
    };
    const std::vector<Case> cases = {
        {opacity, 0.18, '-', 0.17}, {opacity, 0.18, '+', 0.19}, {opacity, 0.175, '+', 0.19},
        {opacity, 0.10, '-', 0.10}, {opacity, 0.40, '+', 0.40}, {opacity, 0.33, 'r', 0.18},
        {gap, 8, '+', 9},           {gap, 0, '-', 0},           {gap, 32, '+', 32},
        {gap, 7.6, '-', 7},         {gap, 20, 'r', 8},          {padding, 64, '+', 64},
        {padding, 9, 'r', 0},       {padding, 70, '-', 64},
    };
    for (const auto& c : cases) {
        const double got = c.op == '-'   ? c.pill.minus(c.value)
                           : c.op == '+' ? c.pill.plus(c.value)
                                         : *c.pill.reset();
        EXPECT_NEAR(got, c.expected, 1e-9) << c.value << " " << c.op;
    }
    EXPECT_FALSE((StepperPill{0, 10, 1, std::nullopt}.reset()));
    EXPECT_EQ((StepperPill{0, 10, 1, 20.0}.reset()), 10.0);

    // Through the window: a double click on the value is the default, clamped.
    AppSettings settings(desk.defaults());
    test::SettingsParts parts(settings);
    SettingsViewModel vm(parts.services());
    settings.windowGap.set(20);
    vm.edit(SettingsTab::tiling, edit("gap", Gesture::stepperReset));
    EXPECT_EQ(settings.windowGap(), 8);
    vm.edit(SettingsTab::tiling, edit("gap", Gesture::stepperMinus));
    EXPECT_EQ(settings.windowGap(), 7);
    EXPECT_EQ(findRow(vm.page(SettingsTab::tiling), "gap")->valueText, "7 px");
    settings.screenPadding.set(0);
    EXPECT_EQ(findRow(vm.page(SettingsTab::tiling), "padding")->subtitle,
              parts.l10n.string("spacing.padZero"));
    EXPECT_EQ(findRow(vm.page(SettingsTab::snap), "overlayOpacity")->valueText, "18%");
}

TEST_F(SettingsViewModelTest, AWorkspaceSavedWithABlankNameGetsTheNextNumber) {
    AppSettings settings(desk.defaults());
    test::SettingsParts parts(settings);
    SettingsViewModel vm(parts.services());
    for (const char* name : {"A", "B", "C"})
        vm.edit(SettingsTab::workspaces, edit("wsName", Gesture::textCommitted, 0, name));
    EXPECT_EQ(vm.workspaceName("   "), "Workspace 4");
    vm.edit(SettingsTab::workspaces, edit("wsName", Gesture::textCommitted, 0, " \t "));
    ASSERT_EQ(settings.workspaces().size(), 4u);
    EXPECT_EQ(settings.workspaces()[3].name, "Workspace 4");

    // Renaming to blank keeps the name; delete removes the workspace and its shortcut.
    const std::string id = settings.workspaces()[0].id.uuidString();
    vm.edit(SettingsTab::workspaces, edit("ws:" + id, Gesture::textCommitted, 0, "  "));
    EXPECT_EQ(settings.workspaces()[0].name, "A");
    vm.edit(SettingsTab::workspaces, edit("ws:" + id, Gesture::textCommitted, 0, "Mail"));
    EXPECT_EQ(settings.workspaces()[0].name, "Mail");
    auto table = settings.shortcuts();
    table["workspace:" + id] = KeyCombo{18, modifierBits::control};
    settings.shortcuts.set(table);
    vm.edit(SettingsTab::workspaces, press("ws:" + id, RowButton::deleteItem));
    EXPECT_EQ(settings.workspaces().size(), 3u);
    EXPECT_EQ(settings.shortcuts().count("workspace:" + id), 0u);
}

// Saved layouts and workspaces are drawn small: zones on the screen, windows on the desktop.
TEST_F(SettingsViewModelTest, SavedLayoutsAndWorkspacesShowWhatTheyHold) {
    desk.addScreenTopLeft({0, 0, 1600, 1000}, {0, 0, 1600, 1000});
    AppSettings settings(desk.defaults());
    const CustomLayout halves{Uuid::random(), "Halves", 2, 1, {{0, 0, 1, 1}, {1, 0, 1, 1}}};
    settings.customLayouts.set({halves});
    WorkspaceItem mail;
    mail.appId = "org.example.mail";
    mail.x = 800, mail.w = 800, mail.h = 500;
    const Workspace workspace{Uuid::random(), "Mail", {mail}};
    settings.workspaces.set({workspace});
    test::SettingsParts parts(settings);
    SettingsViewModel vm(parts.services());
    const auto layouts = vm.page(SettingsTab::layout),
               workspaces = vm.page(SettingsTab::workspaces);
    const auto layoutRow = findRow(layouts, "layout:" + halves.id.uuidString());
    ASSERT_NE(layoutRow, nullptr);
    EXPECT_EQ(std::pair(layoutRow->thumbnail.aspect, layoutRow->thumbnail.rects.size()),
              std::pair(1.6, 2ul));
    const auto wsRow = findRow(workspaces, "ws:" + workspace.id.uuidString());
    ASSERT_NE(wsRow, nullptr);
    EXPECT_EQ(wsRow->thumbnail, (port::Thumbnail{1.6, {{0.5, 0, 0.5, 0.5}}}));
}

TEST_F(SettingsViewModelTest, AnAppAlreadyExcludedIsNotAddedAgain) {
    AppSettings settings(desk.defaults());
    test::SettingsParts parts(settings);
    SettingsViewModel vm(parts.services());
    vm.edit(SettingsTab::exclude, edit("add", Gesture::appChosen, 0, "gimp", "GIMP"));
    vm.edit(SettingsTab::exclude, edit("add", Gesture::appChosen, 0, "gimp", "GNU Image"));
    vm.edit(SettingsTab::exclude, edit("add", Gesture::appChosen, 0, "", "Nameless"));
    EXPECT_EQ(settings.excludedApps(), (std::vector<ExcludedApp>{{"gimp", "GIMP"}}));
    auto page = vm.page(SettingsTab::exclude);
    ASSERT_NE(findRow(page, "exc:gimp"), nullptr);
    EXPECT_EQ(findRow(page, "exc:gimp")->badge, parts.l10n.string("exc.badge"));
    vm.edit(SettingsTab::exclude, press("exc:gimp", RowButton::remove));
    EXPECT_TRUE(settings.excludedApps().empty());
}

// The footer names the build and the desktop backend the program runs on.
TEST_F(SettingsViewModelTest, TheGeneralFooterNamesTheVersionAndTheBackend) {
    desk.buildInfo().version = "2.3.4";
    AppSettings settings(desk.defaults());
    test::SettingsParts parts(settings);
    SettingsViewModel vm(parts.services());
    EXPECT_EQ(vm.page(SettingsTab::general).footer, "Kelvra 2.3.4 · Simulated");
}

// The window manager's own edge snapping: offered off while it would answer the same
// drags, offered back once Kelvra switched it off, and not mentioned otherwise.
TEST_F(SettingsViewModelTest, TheSnapTabOffersTheManagersEdgeSnappingOffAndBack) {
    desk.managerSnapping().name = "KWin";
    desk.managerSnapping().on = true;
    AppSettings settings(desk.defaults());
    test::SettingsParts parts(settings);
    ManagerSnappingConflict conflict(settings);
    auto services = parts.services();
    services.managerSnapping = &conflict;
    SettingsViewModel vm(services);
    const auto page = vm.page(SettingsTab::snap);
    const auto* offer = findRow(page, "managerSnapOff");
    ASSERT_TRUE(offer);
    EXPECT_NE(offer->title.find("KWin"), std::string::npos);
    vm.edit(SettingsTab::snap, edit("managerSnapOff", Gesture::buttonPressed));
    EXPECT_FALSE(desk.managerSnapping().on);
    EXPECT_FALSE(findRow(vm.page(SettingsTab::snap), "managerSnapOff"));
    vm.edit(SettingsTab::snap, edit("managerSnapRestore", Gesture::buttonPressed));
    EXPECT_TRUE(desk.managerSnapping().on);
    desk.managerSnapping().name.clear();
    EXPECT_FALSE(findRow(vm.page(SettingsTab::snap), "managerSnapOff"));
}

// A row starts recording; the next combination lands in the table; a combination
// another program holds is shown as taken. Leaving the tab is the window's test.
TEST_F(SettingsViewModelTest, ShortcutRowsRecordThroughTheKeyRecorder) {
    AppSettings settings(desk.defaults());
    test::SettingsParts parts(settings);
    SettingsViewModel vm(parts.services());
    vm.edit(SettingsTab::shortcuts, edit("snapLeftHalf", Gesture::recordPressed));
    EXPECT_TRUE(findRow(vm.page(SettingsTab::shortcuts), "snapLeftHalf")->recording);
    const uint16_t keyJ = 38;
    EXPECT_TRUE(
        desk.sendKeyDown({keyJ, port::modifierFlags::control | port::modifierFlags::alt, ""}));
    const KeyCombo expected{keyJ, modifierBits::control | modifierBits::alt};
    EXPECT_EQ(settings.shortcuts().at("snapLeftHalf"), expected);
    auto row = *findRow(vm.page(SettingsTab::shortcuts), "snapLeftHalf");
    EXPECT_EQ(std::tuple(row.recording, row.text, row.taken),
              std::tuple(false, expected.displayName(), false));
    vm.setTakenShortcuts({expected});
    EXPECT_TRUE(findRow(vm.page(SettingsTab::shortcuts), "snapLeftHalf")->taken);
}

// The account tab follows the account: signing in goes to the browser, a missing keyring
// is said rather than failing quietly, a signed-in account shows its e-mail with the sync
// switch bound, and signing out returns to the signed-out rows.
TEST_F(SettingsViewModelTest, TheAccountTabFollowsTheAccount) {
    AppSettings settings(desk.defaults());
    auto parts = std::make_unique<test::SettingsParts>(settings);
    auto vm = std::make_unique<SettingsViewModel>(parts->services());
    // The account as a later start finds it in the secret store.
    const auto restart = [&] {
        vm.reset();
        parts = std::make_unique<test::SettingsParts>(settings);
        vm = std::make_unique<SettingsViewModel>(parts->services());
    };

    desk.secrets().setAvailable(false);
    vm->edit(SettingsTab::account, edit("signIn", Gesture::clicked));
    EXPECT_NE(findRow(vm->page(SettingsTab::account), "noSecretStore"), nullptr);
    EXPECT_TRUE(desk.browser().opened().empty());

    desk.secrets().setAvailable(true);
    vm->edit(SettingsTab::account, edit("signIn", Gesture::clicked));
    ASSERT_EQ(desk.browser().opened().size(), 1u);
    EXPECT_EQ(findRow(vm->page(SettingsTab::account), "noSecretStore"), nullptr);
    // The browser never comes back: signing in again stays possible.
    EXPECT_TRUE(findRow(vm->page(SettingsTab::account), "signIn")->enabled);

    std::string error;
    desk.secrets().store("cloudToken", "t0k", error);
    desk.secrets().store("cloudEmail", "ada@example.org", error);
    restart();
    auto page = vm->page(SettingsTab::account);
    ASSERT_NE(findRow(page, "signedIn"), nullptr);
    EXPECT_EQ(findRow(page, "signedIn")->subtitle, "ada@example.org");
    vm->edit(SettingsTab::account, edit("sync", Gesture::toggled, 0));
    EXPECT_FALSE(parts->sync.enabled.get());
    EXPECT_EQ(desk.defaults().object(CloudSync::enabledKey), port::DefaultsValue(false));

    vm->edit(SettingsTab::account, edit("signOut", Gesture::clicked));
    EXPECT_NE(findRow(vm->page(SettingsTab::account), "signIn"), nullptr);
    EXPECT_FALSE(desk.secrets().items().contains("cloudToken"));
}

}  // namespace
}  // namespace kelvra
