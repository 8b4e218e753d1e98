#include <gtest/gtest.h>

#include <unordered_set>

#include "ax/AXWindow.h"
#include "platform/sim/SimDesktop.h"

namespace kelvra {
namespace {

using port::AXElement;

class AXWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desk.install();
        desk.addScreenTopLeft({0, 0, 1440, 900}, {0, 25, 1440, 875});
        app = desk.addApp({"com.example.editor", "Editor"});
        Permissions::resetForTesting();
    }
    AXWindow handle(AXElement e) { return *AXWindow::make(e); }
    sim::SimDesktop::WindowSpec spec(
        Rect frame, std::optional<std::string> subrole = std::string("AXStandardWindow")) {
        sim::SimDesktop::WindowSpec s;
        s.frame = frame;
        s.subrole = std::move(subrole);
        return s;
    }

    sim::SimDesktop desk;
    int32_t app = 0;
};

TEST_F(AXWindowTest, HandlesOfOneWindowAreEqualAndHashAlike) {
    AXElement a = desk.addWindow(app);
    AXElement b = desk.addWindow(app);
    auto h1 = handle(a), h2 = handle(a), other = handle(b);
    EXPECT_EQ(h1, h2);
    EXPECT_NE(h1, other);
    EXPECT_EQ(h1.pid(), app);
    std::unordered_set<AXWindow> set{h1, h2, other};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(desk.messagingTimeout(a), 0.25);

    desk.destroyWindow(a);
    EXPECT_FALSE(AXWindow::make(a));
}

TEST_F(AXWindowTest, SetFrameWritesPositionSizePositionAndReportsTheAppliedFrame) {
    auto s = spec({300, 300, 800, 600});
    s.minSize = {500, 200};
    auto w = handle(desk.addWindow(app, s));
    desk.clearAXCalls();

    EXPECT_EQ(w.setFrame({0, 25, 400, 300}), Rect(0, 25, 500, 300));
    EXPECT_EQ(desk.windowFrame(w.element()), Rect(0, 25, 500, 300));

    std::vector<std::string> windowCalls;
    for (const auto& c : desk.axCalls()) {
        if (c.element == w.element()) windowCalls.push_back(c.op + " " + c.attribute);
    }
    EXPECT_EQ(windowCalls,
              (std::vector<std::string>{"set AXPosition", "set AXSize", "set AXPosition",
                                        "get AXPosition", "get AXSize"}));
}

TEST_F(AXWindowTest, SetFrameLeavesTheEnhancedInterfaceModeOnlyWhenItIsOn) {
    auto w = handle(desk.addWindow(app));
    auto& ax = *platform().accessibility;
    AXElement appElement = ax.applicationElement(app);
    auto appWrites = [&] {
        int n = 0;
        for (const auto& c : desk.axCalls()) n += c.op == "set" && c.element == appElement;
        return n;
    };
    w.setFrame({0, 25, 400, 300});
    EXPECT_EQ(appWrites(), 0);

    auto s = spec({0, 0, 300, 300});
    s.enhancedUserInterface = true;
    desk.addWindow(app, s);
    w.setFrame({0, 25, 400, 300});
    EXPECT_EQ(appWrites(), 1);
    EXPECT_EQ(ax.copyAttributeValue(appElement, port::ax::enhancedUserInterface),
              port::AXAttributeValue(false));
}

TEST_F(AXWindowTest, UnreadableAttributesGiveNoValue) {
    auto s = spec({10, 20, 300, 200}, std::nullopt);
    s.title = std::nullopt;
    auto w = handle(desk.addWindow(app, s));
    EXPECT_EQ(w.title(), std::nullopt);
    EXPECT_EQ(w.subrole(), std::nullopt);
    EXPECT_FALSE(w.isMinimized());
    EXPECT_EQ(w.frame(), Rect(10, 20, 300, 200));

    desk.setResponsive(app, false);
    EXPECT_EQ(w.frame(), std::nullopt);
    EXPECT_EQ(w.setFrame({0, 0, 100, 100}), std::nullopt);
    desk.setResponsive(app, true);
    EXPECT_EQ(w.frame(), Rect(10, 20, 300, 200));

    desk.quitApp(app);
    EXPECT_EQ(w.position(), std::nullopt);
}

TEST_F(AXWindowTest, AllStandardWindowsSkipsMinimizedDialogsAndAccessoryApps) {
    AXElement kept1 = desk.addWindow(app);
    auto minimized = spec({0, 0, 100, 100});
    minimized.minimized = true;
    desk.addWindow(app, minimized);
    desk.addWindow(app, spec({0, 0, 100, 100}, "AXDialog"));
    desk.addWindow(app, spec({0, 0, 100, 100}, std::nullopt));
    AXElement kept2 = desk.addWindow(app);
    int32_t accessory =
        desk.addApp({"com.example.agent", "Agent", port::ActivationPolicy::accessory});
    desk.addWindow(accessory);
    int32_t later = desk.addApp({"com.example.mail", "Mail"});
    AXElement kept3 = desk.addWindow(later);
    int32_t hung = desk.addApp({"com.example.hung", "Hung"});
    desk.addWindow(hung);
    desk.setResponsive(hung, false);  // left out, not waited for

    std::vector<AXElement> found;
    for (const auto& w : AXWindow::allStandardWindows()) found.push_back(w.element());
    EXPECT_EQ(found, (std::vector<AXElement>{kept1, kept2, kept3}));
}

TEST_F(AXWindowTest, AtFindsTheWindowOfTheElementUnderThePoint) {
    AXElement window = desk.addWindow(app, spec({100, 100, 400, 300}));
    desk.addChild(window, {120, 120, 80, 30});  // a button that names its window
    AXElement group = desk.addChild(window, {300, 200, 150, 150}, "AXGroup", false);
    desk.addChild(group, {310, 210, 50, 20}, "AXButton", false);

    EXPECT_EQ(AXWindow::at({130, 130})->element(), window);
    EXPECT_EQ(AXWindow::at({320, 215})->element(), window);  // through the parents
    EXPECT_EQ(AXWindow::at({450, 120})->element(), window);  // the window itself
    EXPECT_FALSE(AXWindow::at({1000, 700}));                 // the desktop
}

TEST_F(AXWindowTest, AtGivesUpAfterTenElements) {
    auto nested = [&](Rect frame, int depth) {
        AXElement e = desk.addWindow(app, spec(frame));
        for (int i = 0; i < depth; ++i) e = desk.addChild(e, frame, "AXGroup", false);
    };
    nested({0, 100, 200, 200}, 9);     // the window is the tenth element examined
    nested({600, 100, 200, 200}, 10);  // ... and here the eleventh
    EXPECT_TRUE(AXWindow::at({100, 200}));
    EXPECT_FALSE(AXWindow::at({700, 200}));
}

TEST_F(AXWindowTest, FrontmostIsTheFocusedWindowOfTheFrontmostApp) {
    EXPECT_FALSE(AXWindow::frontmost());
    AXElement first = desk.addWindow(app);
    desk.addWindow(app);
    desk.setFocusedWindow(app, first);
    desk.setFrontmostApp(app);
    EXPECT_EQ(AXWindow::frontmost()->element(), first);
}

TEST_F(AXWindowTest, PermissionRequestPromptsOnceThenOpensSettings) {
    desk.setTrusted(false);
    Permissions::requestOrOpenSettings();
    EXPECT_TRUE(Permissions::didPromptThisLaunch());
    EXPECT_EQ(desk.promptCount(), 1);
    EXPECT_EQ(desk.settingsPageOpenCount(), 0);
    Permissions::requestOrOpenSettings();
    EXPECT_EQ(desk.promptCount(), 1);
    EXPECT_EQ(desk.settingsPageOpenCount(), 1);

    desk.setTrusted(true);
    Permissions::requestOrOpenSettings();
    EXPECT_EQ(desk.settingsPageOpenCount(), 1);
}

}  // namespace
}  // namespace kelvra
