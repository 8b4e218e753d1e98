#include <variant>

#include "DragFixture.h"

namespace kelvra::test {
namespace {

// The window manager's own edge snapping and Kelvra's never both answer a drag; its
// settings change only on the user's word and are put back as they were.
class ManagerSnappingTest : public DragFixture {
  public:
    void SetUp() override {
        DragFixture::SetUp();
        manager().name = "KWin";
        manager().on = true;
    }
    sim::SimManagerSnapping& manager() { return desktop.managerSnapping(); }
    void watch() {
        conflict = std::make_unique<ManagerSnappingConflict>(*settings);
        startMonitor(conflict.get());
    }
    bool snapsLeft() {
        desktop.userSetFrame(window, {100, 100, 800, 600});
        zones.clear();
        dragWindowTo({2, 450});
        return frameOf(window) == zoneFrame(ZoneID::leftHalf) && !zones.empty();
    }
    std::unique_ptr<ManagerSnappingConflict> conflict;
};

TEST_F(ManagerSnappingTest, KelvraStepsAsideUntilTheUserSwitchesTheManagersOffAndBack) {
    watch();
    EXPECT_EQ(conflict->situation(), ManagerSnappingConflict::Situation::bothOn);
    EXPECT_FALSE(snapsLeft()) << "no preview and no snap while the manager snaps";
    EXPECT_TRUE(manager().on) << "nothing changed without the user's word";

    ASSERT_TRUE(conflict->switchManagerOff());
    EXPECT_FALSE(manager().on);
    EXPECT_EQ(conflict->situation(), ManagerSnappingConflict::Situation::switchedOff);
    EXPECT_TRUE(snapsLeft());

    // Another start remembers what to put back; switching Kelvra's drag snapping off
    // puts it back.
    watch();
    EXPECT_EQ(conflict->situation(), ManagerSnappingConflict::Situation::switchedOff);
    settings->dragSnapEnabled.set(false);
    EXPECT_TRUE(manager().on);
    EXPECT_EQ(conflict->situation(), ManagerSnappingConflict::Situation::bothOn);

    // Switched on behind Kelvra's back: noticed at the next press.
    settings->dragSnapEnabled.set(true);
    ASSERT_TRUE(conflict->switchManagerOff());
    manager().on = true;
    EXPECT_FALSE(snapsLeft());
}

TEST_F(ManagerSnappingTest, SettingsThatCannotBeWrittenOrReadChangeNothing) {
    manager().writable = false;
    watch();
    EXPECT_FALSE(conflict->switchManagerOff());
    EXPECT_TRUE(manager().on);
    EXPECT_EQ(conflict->situation(), ManagerSnappingConflict::Situation::bothOn);
    EXPECT_FALSE(settings->defaults().object("managerSnappingSaved").has_value());

    manager().readable = false;
    conflict->refresh();
    EXPECT_EQ(conflict->situation(), ManagerSnappingConflict::Situation::unreadable);
    EXPECT_TRUE(snapsLeft()) << "a manager whose settings cannot be read is not assumed to snap";
}

// What one manager had is never given to the manager that replaced it.
TEST_F(ManagerSnappingTest, AReplacedManagerNeverGetsTheValuesSavedFromTheOther) {
    watch();
    ASSERT_TRUE(conflict->switchManagerOff());
    manager().name = "Xfwm4";
    conflict->refresh();
    EXPECT_EQ(conflict->situation(), ManagerSnappingConflict::Situation::none);
    settings->dragSnapEnabled.set(false);
    EXPECT_FALSE(manager().on) << "restored from another manager's values";

    manager().name = "KWin";
    conflict->refresh();
    EXPECT_EQ(conflict->situation(), ManagerSnappingConflict::Situation::switchedOff);
    EXPECT_TRUE(conflict->restoreManager());
    EXPECT_TRUE(manager().on);
}

TEST_F(ManagerSnappingTest, AManagerWithoutEdgeSnappingIsNoConflict) {
    manager().name.clear();
    watch();
    EXPECT_EQ(conflict->situation(), ManagerSnappingConflict::Situation::none);
    EXPECT_TRUE(snapsLeft());
}

}  // namespace
}  // namespace kelvra::test
