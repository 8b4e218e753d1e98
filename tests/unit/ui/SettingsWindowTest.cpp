#include <gtest/gtest.h>

#include "backends/sim/SimDesktop.h"
#include "settings/AppSettings.h"
#include "ui/SettingsWindowController.h"
#include "unit/ui/SettingsParts.h"

namespace kelvra {
namespace {

using port::SurfaceKind;

class SettingsWindowTest : public ::testing::Test {
  protected:
    port::SettingsWindowModel shown() {
        desk.runLoop().runPending();
        auto s = desk.surfaces().find(SurfaceKind::settingsWindow);
        EXPECT_TRUE(s.has_value());
        return s ? std::get<port::SettingsWindowModel>(s->model) : port::SettingsWindowModel{};
    }
    uint64_t surfaceId() { return desk.surfaces().find(SurfaceKind::settingsWindow)->id; }

    sim::SimDesktop desk;
    bool installed = (desk.install(), true);
    AppSettings settings{desk.defaults()};
    test::SettingsParts parts{settings};
    SettingsWindowController window{parts.services()};
};

// Opening on a tab while visible switches the tab on the one window; closing hides it and
// reopening without a tab shows the tab last selected.
TEST_F(SettingsWindowTest, OpeningOnATabWhileVisibleSwitchesItAndReopeningKeepsTheLastTab) {
    window.show(std::nullopt);
    window.show(SettingsTab::shortcuts);
    EXPECT_EQ(desk.surfaces().count(SurfaceKind::settingsWindow), 1u);
    EXPECT_EQ(shown().selectedTab, "shortcuts");
    EXPECT_EQ(shown().page.id, "shortcuts");
    EXPECT_TRUE(desk.surfaces().find(SurfaceKind::settingsWindow)->visible);

    desk.surfaces().choose(surfaceId(), "layout");
    EXPECT_EQ(shown().selectedTab, "layout");
    desk.surfaces().dismiss(surfaceId());
    EXPECT_FALSE(window.visible());
    window.show(std::nullopt);
    EXPECT_EQ(shown().selectedTab, "layout");
    EXPECT_EQ(desk.surfaces().count(SurfaceKind::settingsWindow), 1u);
}

// A change anywhere (here: a second view of the store) redraws the page; a language
// switch retranslates the window, and an edit from the surface reaches the store.
TEST_F(SettingsWindowTest, ChangesShowAtOnceAndTheLanguageRetranslatesTheWindow) {
    window.show(SettingsTab::tiling);
    settings.windowGap.set(0);
    auto gapRow = [&] {
        for (const auto& r : shown().page.rows)
            if (r.id == "gap") return r;
        return port::SettingsRow{};
    };
    EXPECT_EQ(gapRow().valueText, "0 px");

    port::SettingsEdit plus;
    plus.row = "gap";
    plus.gesture = port::SettingsGesture::stepperPlus;
    desk.surfaces().edit(surfaceId(), plus);
    EXPECT_EQ(settings.windowGap(), 1);
    EXPECT_EQ(gapRow().valueText, "1 px");

    settings.languageCode.set("de");
    EXPECT_EQ(shown().title, "Einstellungen");
    EXPECT_EQ(shown().page.title, parts.l10n.string("tab.tiling"));
    EXPECT_NE(shown().page.title, "Tiling");
}

TEST_F(SettingsWindowTest, LeavingTheShortcutsTabOrClosingTheWindowEndsARecording) {
    window.show(SettingsTab::shortcuts);
    port::SettingsEdit record;
    record.row = "snapLeftHalf";
    record.gesture = port::SettingsGesture::recordPressed;
    desk.surfaces().edit(surfaceId(), record);
    EXPECT_TRUE(window.viewModel().recorder().recording());
    desk.surfaces().choose(surfaceId(), "snap");
    EXPECT_FALSE(window.viewModel().recorder().recording());

    desk.surfaces().choose(surfaceId(), "shortcuts");
    desk.surfaces().edit(surfaceId(), record);
    desk.surfaces().dismiss(surfaceId());
    EXPECT_FALSE(window.viewModel().recorder().recording());
}

}  // namespace
}  // namespace kelvra
