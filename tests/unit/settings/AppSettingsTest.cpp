#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "backends/sim/SimDesktop.h"
#include "settings/AppSettings.h"

namespace kelvra {
namespace {

port::Data bytes(const std::string& s) {
    return port::Data(s.begin(), s.end());
}

class AppSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { desk.install(); }

    std::optional<port::DefaultsValue> stored(const std::string& key) {
        return desk.defaults().object(key);
    }
    sim::SimDesktop desk;
};

// The defaults, in their stored names and kinds: loading writes nothing, and the first
// assignment writes the whole set except the pause, which is never stored.
TEST_F(AppSettingsTest, FreshDomainGivesDefaultsAndEveryAssignmentWritesTheWholeSet) {
    {
        AppSettings s(desk.defaults());
        EXPECT_EQ(s.shortcuts(), KeyCombo::defaults());
        EXPECT_FALSE(stored("windowGap").has_value());
        int willChange = 0;
        auto sub = s.objectWillChange.connect([&] { ++willChange; });
        s.paused.set(true);
        s.windowGap.set(12);
        EXPECT_EQ(willChange, 2);
    }
    const std::vector<std::pair<std::string, port::DefaultsValue>> expected = {
        {"launchAtLogin", false},
        {"showMenuBarIcon", true},
        {"crashReportingEnabled", true},
        {"dragSnapEnabled", true},
        {"cornerQuarterPriority", true},
        {"snapAssistEnabled", true},
        {"topEdgeAction", std::string("topHalf")},
        {"overlayOpacity", 0.18},
        {"tilingEnabled", true},
        {"windowGap", 12.0},
        {"screenPadding", 0.0},
        {"minWindowWidth", 400.0},
        {"dividerDoubleClickReset", true},
        {"hasCompletedOnboarding", false},
        {"customLayouts", bytes("[]")},
        {"workspaces", bytes("[]")},
        {"placementRules", bytes("[]")},
        {"excludedApps", bytes("[]")}};
    for (const auto& [key, value] : expected) EXPECT_EQ(stored(key), value) << key;
    EXPECT_TRUE(std::holds_alternative<port::Data>(*stored("shortcuts")));
    EXPECT_FALSE(stored("languageCode").has_value());
    EXPECT_FALSE(stored("paused").has_value());
    AppSettings again(desk.defaults());
    EXPECT_EQ(std::tuple(again.paused(), again.windowGap(), again.shortcuts()),
              std::tuple(false, 12.0, KeyCombo::defaults()));
    // Collections are compact JSON data; one that cannot be encoded leaves the old value.
    again.excludedApps.set({{"org.example.Editor", "Editor"}});
    const auto encoded =
        port::DefaultsValue(bytes(R"([{"bundleID":"org.example.Editor","name":"Editor"}])"));
    EXPECT_EQ(stored("excludedApps"), encoded);
    EXPECT_TRUE(again.isExcluded(std::string("org.example.Editor")));
    EXPECT_FALSE(again.isExcluded(std::nullopt));
    again.excludedApps.set({{"b", std::string("\xff\xfe")}});  // not UTF-8
    EXPECT_EQ(stored("excludedApps"), encoded);
}

TEST_F(AppSettingsTest, StoredValuesAreUsedUnclampedAndWrongKindsFallBack) {
    auto& d = desk.defaults();
    d.set("windowGap", 500.0);
    d.set("topEdgeAction", std::string("sideways"));
    d.set("showMenuBarIcon", std::string("no"));  // wrong kind
    d.set("overlayOpacity", true);                // wrong kind
    d.set("launchAtLogin", true);
    d.set("languageCode", port::Data{1, 2});  // wrong kind
    AppSettings s(d);
    EXPECT_EQ(std::tuple(s.windowGap(), s.topEdgeAction(), s.showTrayIcon(), s.overlayOpacity(),
                         s.launchAtLogin(), s.languageCode()),
              std::tuple(500.0, TopEdgeAction::topHalf, true, 0.18, true, std::nullopt));
    // Loading wrote nothing back.
    EXPECT_EQ(d.object("topEdgeAction"), port::DefaultsValue(std::string("sideways")));

    d.set("topEdgeAction", std::string("maximize"));
    EXPECT_EQ(AppSettings(d).topEdgeAction(), TopEdgeAction::maximize);

    // The shortcut table is taken whole or not at all.
    d.set("shortcuts", bytes(R"({"leftHalf":{"keyCode":1,"carbonModifiers":256}})"));
    AppSettings one(d);
    ASSERT_EQ(one.shortcuts().size(), 1u);
    EXPECT_EQ(one.shortcuts().at("leftHalf"), (KeyCombo{1, 256}));

    d.set("shortcuts", bytes("{not json"));
    EXPECT_EQ(AppSettings(d).shortcuts(), KeyCombo::defaults());
}

TEST_F(AppSettingsTest, UndecodableRecordsAreKeptUnderABackupKeyBeforeAnySave) {
    auto& d = desk.defaults();
    // One damaged layout (zones missing) among good ones fails the whole list.
    auto damaged = bytes(
        R"([{"id":"6B29FC40-CA47-1067-B31D-00DD010662DA","name":"A","columns":2,"rows":1,"zones":[]},)"
        R"({"id":"7B29FC40-CA47-1067-B31D-00DD010662DA","name":"B","columns":2,"rows":1}])");
    d.set("customLayouts", damaged);
    d.set("workspaces", std::string("not data"));
    {
        AppSettings s(d);
        EXPECT_TRUE(s.customLayouts().empty() && s.workspaces().empty());
        s.windowGap.set(4);  // saves the in-memory defaults over the keys
    }
    EXPECT_EQ(d.object("customLayouts.damaged"), port::DefaultsValue(damaged));
    EXPECT_EQ(d.object("workspaces.damaged"), port::DefaultsValue(std::string("not data")));
    EXPECT_EQ(d.object("customLayouts"), port::DefaultsValue(bytes("[]")));
    EXPECT_TRUE(std::ranges::any_of(desk.logLines(), [](const std::string& l) {
        return l.find("customLayouts.damaged") != std::string::npos;
    }));

    // A second damaged value does not replace the first copy; the same one is not
    // copied twice.
    d.set("customLayouts", bytes("[1]"));
    AppSettings again(d);
    AppSettings once_more(d);
    EXPECT_EQ(d.object("customLayouts.damaged"), port::DefaultsValue(damaged));
    EXPECT_EQ(d.object("customLayouts.damaged-2"), port::DefaultsValue(bytes("[1]")));
    EXPECT_FALSE(d.object("customLayouts.damaged-3").has_value());
}

TEST_F(AppSettingsTest, LaunchAtLoginIsAppliedAndAFailureIsLoggedKeepingTheChoice) {
    AppSettings s(desk.defaults());
    s.launchAtLogin.set(true);
    EXPECT_EQ(desk.loginItemRegistered(), true);
    desk.setLoginItemFailure(std::string("Operation not permitted"));
    s.launchAtLogin.set(false);
    EXPECT_FALSE(s.launchAtLogin());
    EXPECT_EQ(stored("launchAtLogin"), port::DefaultsValue(false));
    EXPECT_EQ(desk.logLines().at(desk.logLines().size() - 1),
              "Kelvra: launch-at-login update failed: Operation not permitted");
}

}  // namespace
}  // namespace kelvra
