#include <gtest/gtest.h>

#include "backends/sim/SimDesktop.h"
#include "window/WindowHandle.h"

namespace kelvra {
namespace {

using port::WindowKind;
using port::WindowRef;

class WindowHandleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desk.install();
        desk.addScreenTopLeft({0, 0, 1440, 900}, {0, 25, 1440, 875});
        app = desk.addApp({"com.example.editor", "Editor"});
        Permissions::resetForTesting();
    }
    WindowHandle handle(WindowRef w) { return *WindowHandle::make(w); }
    WindowRef add(Rect frame, WindowKind kind = WindowKind::standard, bool minimized = false) {
        return desk.addWindow(app, {.frame = frame, .kind = kind, .minimized = minimized});
    }

    sim::SimDesktop desk;
    int32_t app = 0;
};

TEST_F(WindowHandleTest, SetFrameIsOneRequestAndReportsTheAppliedFrame) {
    auto w = handle(desk.addWindow(app, {.frame = {300, 300, 800, 600}, .minSize = {500, 200}}));
    desk.clearWindowCalls();

    EXPECT_EQ(w.setFrame({0, 25, 400, 300}), Rect(0, 25, 500, 300));
    EXPECT_EQ(desk.windowFrame(w.element()), Rect(0, 25, 500, 300));
    EXPECT_EQ(desk.windowCalls(),
              (std::vector<sim::WindowCall>{{"setFrame", w.element(), Rect(0, 25, 400, 300)}}));
}

TEST_F(WindowHandleTest, UnreadableAttributesGiveNoValue) {
    auto w = handle(desk.addWindow(
        app, {.frame = {10, 20, 300, 200}, .title = std::nullopt, .kind = WindowKind::dialog}));
    EXPECT_EQ(w.title(), std::nullopt);
    EXPECT_EQ(w.kind(), WindowKind::dialog);
    EXPECT_FALSE(w.isStandard());
    EXPECT_FALSE(w.isMinimized());
    EXPECT_EQ(w.appId(), "com.example.editor");
    EXPECT_EQ(w.frame(), Rect(10, 20, 300, 200));

    desk.setResponsive(app, false);
    EXPECT_EQ(w.frame(), std::nullopt);
    EXPECT_EQ(w.kind(), std::nullopt);
    EXPECT_EQ(w.setFrame({0, 0, 100, 100}), std::nullopt);
    desk.setResponsive(app, true);
    EXPECT_EQ(w.frame(), Rect(10, 20, 300, 200));

    WindowRef gone = desk.addWindow(app);
    desk.destroyWindow(gone);
    EXPECT_FALSE(WindowHandle::make(gone));
    desk.quitApp(app);
    EXPECT_EQ(w.position(), std::nullopt);
}

TEST_F(WindowHandleTest, AllStandardWindowsSkipsMinimizedDialogsAndAccessoryApps) {
    WindowRef kept1 = desk.addWindow(app);
    add({0, 0, 100, 100}, WindowKind::standard, true);
    add({0, 0, 100, 100}, WindowKind::dialog);
    add({0, 0, 100, 100}, WindowKind::floating);
    WindowRef kept2 = desk.addWindow(app);
    int32_t accessory =
        desk.addApp({"com.example.agent", "Agent", port::ActivationPolicy::accessory});
    desk.addWindow(accessory);
    int32_t later = desk.addApp({"com.example.mail", "Mail"});
    WindowRef kept3 = desk.addWindow(later);
    int32_t hung = desk.addApp({"com.example.hung", "Hung"});
    desk.addWindow(hung);
    desk.setResponsive(hung, false);  // left out, not waited for

    std::vector<WindowRef> found;
    for (const auto& w : WindowHandle::allStandardWindows()) found.push_back(w.element());
    EXPECT_EQ(found, (std::vector<WindowRef>{kept1, kept2, kept3}));
}

// `at` finds the topmost unminimized window under a point, `frontmost` the focused
// window of the frontmost application.
TEST_F(WindowHandleTest, AtAndFrontmostFindTheWindowMeant) {
    EXPECT_FALSE(WindowHandle::frontmost());
    WindowRef back = add({100, 100, 400, 300});
    WindowRef front = add({300, 200, 400, 300});
    EXPECT_EQ(WindowHandle::at({350, 250})->element(), front);
    EXPECT_EQ(WindowHandle::at({150, 150})->element(), back);
    EXPECT_FALSE(WindowHandle::at({1000, 700}));  // the desktop

    handle(back).raise();
    EXPECT_EQ(WindowHandle::at({350, 250})->element(), back);
    desk.setMinimized(back, true);
    EXPECT_EQ(WindowHandle::at({350, 250})->element(), front);
    desk.setMinimized(back, false);
    desk.setFocusedWindow(app, back);
    desk.setFrontmostApp(app);
    EXPECT_EQ(WindowHandle::frontmost()->element(), back);
}

// The prompt comes once a launch, then the settings page; a platform without the
// permission is always granted and never prompts.
TEST_F(WindowHandleTest, PermissionRequestPromptsOnceThenOpensSettings) {
    desk.setCanControlWindows(false);
    EXPECT_FALSE(Permissions::isGranted());
    Permissions::requestOrOpenSettings();
    EXPECT_TRUE(Permissions::didPromptThisLaunch());
    Permissions::requestOrOpenSettings();
    EXPECT_EQ(desk.promptCount(), 1);
    EXPECT_EQ(desk.settingsPageOpenCount(), 1);
    desk.setCanControlWindows(true);
    Permissions::requestOrOpenSettings();
    EXPECT_EQ(desk.settingsPageOpenCount(), 1);

    desk.setNeedsPermission(false);
    desk.setCanControlWindows(false);
    EXPECT_TRUE(Permissions::isGranted());
    Permissions::requestOrOpenSettings();
    EXPECT_EQ(desk.promptCount(), 1);
    EXPECT_EQ(desk.settingsPageOpenCount(), 1);
}

}  // namespace
}  // namespace kelvra
