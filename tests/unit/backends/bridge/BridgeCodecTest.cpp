#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "backends/bridge/BridgeCodec.h"

namespace kelvra::bridge {
namespace {

using nlohmann::json;

constexpr const char* token = "t-123";

// An event from the bridge with the current version and token around `fields`.
std::string event(const std::string& type, const json& fields = json::object()) {
    json m = fields;
    m["v"] = 1;
    m["token"] = token;
    m["type"] = type;
    return m.dump();
}

FromBridge decoded(const std::string& text) {
    Decoded d = decodeFromBridge(text, token);
    EXPECT_TRUE(d.message) << text << ": " << d.error;
    return d.message.value_or(Poll{});
}

const json window = {{"id", "{w1}"},
                     {"pid", 42},
                     {"appId", "org.example.Editor"},
                     {"kind", "dialog"},
                     {"minimized", true},
                     {"title", "Save"},
                     {"frame", {{"x", 10}, {"y", 20.5}, {"w", 300}, {"h", 200}}}};
const json screen = {{"name", "Virtual-1"},
                     {"geometry", {{"x", 0}, {"y", 0}, {"w", 1440}, {"h", 900}}},
                     {"workArea", {{"x", 0}, {"y", 0}, {"w", 1440}, {"h", 856}}}};

TEST(BridgeCodec, HelloNeedsNoTokenButEverythingElseTheCurrentOne) {
    auto hello =
        decoded(R"({"v":1,"type":"hello","bridge":"kwin","bridgeVersion":"1.0.0","api":6})");
    ASSERT_TRUE(std::holds_alternative<Hello>(hello));
    EXPECT_EQ(std::get<Hello>(hello).bridge, "kwin");
    EXPECT_EQ(std::get<Hello>(hello).bridgeVersion, "1.0.0");
    EXPECT_EQ(std::get<Hello>(hello).api, 6);

    EXPECT_TRUE(std::holds_alternative<Poll>(decoded(event("poll"))));
    EXPECT_EQ(decodeFromBridge(R"({"v":1,"type":"poll"})", token).error, "missing token");
    EXPECT_EQ(decodeFromBridge(R"({"v":1,"type":"poll","token":"old"})", token).error,
              "wrong token");
    EXPECT_FALSE(decodeFromBridge(R"({"v":2,"type":"poll","token":"t-123"})", token).message);
    EXPECT_FALSE(
        decodeFromBridge(R"({"v":"1","type":"hello","bridge":"kwin","bridgeVersion":"1","api":5})",
                         token)
            .message);
}

TEST(BridgeCodec, ReadsTheDesktopSnapshot) {
    auto m = decoded(event("snapshot", {{"windows", {window}},
                                        {"screens", {screen}},
                                        {"active", "{w1}"},
                                        {"pointer", {{"x", 5}, {"y", 6}}},
                                        {"id", 7}}));
    ASSERT_TRUE(std::holds_alternative<Snapshot>(m));
    const Snapshot& s = std::get<Snapshot>(m);
    ASSERT_EQ(s.windows.size(), 1u);
    EXPECT_EQ(s.windows[0], (WindowSnapshot{"{w1}", 42, "org.example.Editor", WindowKind::dialog,
                                            true, "Save", Rect(10, 20.5, 300, 200)}));
    ASSERT_EQ(s.screens.size(), 1u);
    EXPECT_EQ(s.screens[0],
              (ScreenSnapshot{"Virtual-1", Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 856)}));
    EXPECT_EQ(s.active, "{w1}");
    EXPECT_EQ(s.pointer, (Point{5, 6}));
    EXPECT_EQ(s.commandId, 7);

    json unknownKind = window;
    unknownKind["kind"] = "notification";
    unknownKind["futureField"] = {1, 2};
    auto added = decoded(event("windowAdded", {{"window", unknownKind}}));
    EXPECT_EQ(std::get<WindowAdded>(added).window.kind, WindowKind::other);
}

TEST(BridgeCodec, ReadsEveryEvent) {
    json frame = {{"x", 1}, {"y", 2}, {"w", 3}, {"h", 4}};
    json pointer = {{"x", 9}, {"y", 8}};

    EXPECT_EQ(std::get<WindowRemoved>(decoded(event("windowRemoved", {{"window", "a"}}))).window,
              "a");
    EXPECT_EQ(std::get<WindowActivated>(decoded(event("windowActivated", {{"window", ""}}))).window,
              "");
    auto moved = std::get<WindowFrameChanged>(
        decoded(event("windowMoved", {{"window", "a"}, {"frame", frame}})));
    EXPECT_FALSE(moved.resized);
    EXPECT_EQ(moved.frame, Rect(1, 2, 3, 4));
    EXPECT_TRUE(std::get<WindowFrameChanged>(
                    decoded(event("windowResized", {{"window", "a"}, {"frame", frame}})))
                    .resized);
    EXPECT_TRUE(std::get<WindowMinimized>(
                    decoded(event("windowMinimized", {{"window", "a"}, {"minimized", true}})))
                    .minimized);
    EXPECT_EQ(std::get<ScreensChanged>(decoded(event("screensChanged", {{"screens", {screen}}})))
                  .screens.size(),
              1u);

    const std::pair<const char*, MovePhase> phases[] = {{"moveStarted", MovePhase::started},
                                                        {"moveStepped", MovePhase::stepped},
                                                        {"moveFinished", MovePhase::finished}};
    for (auto [type, phase] : phases) {
        auto move = std::get<InteractiveMove>(
            decoded(event(type, {{"window", "a"}, {"frame", frame}, {"pointer", pointer}})));
        EXPECT_EQ(move.phase, phase) << type;
        EXPECT_EQ(move.pointer, (Point{9, 8}));
    }

    auto settled = std::get<CommandResult>(
        decoded(event("result", {{"id", 3}, {"status", "timedOut"}, {"frame", frame}})));
    EXPECT_EQ(settled.id, 3);
    EXPECT_EQ(settled.status, ResultStatus::timedOut);
    EXPECT_EQ(settled.frame, Rect(1, 2, 3, 4));
    EXPECT_FALSE(settled.pointer);
    EXPECT_EQ(std::get<KeyPressed>(decoded(event("keyPressed", {{"name", "k3"}}))).name, "k3");
    EXPECT_EQ(std::get<MenuChosen>(decoded(event("menuChosen", {{"item", "quit"}}))).item, "quit");
    auto pointerResult = std::get<CommandResult>(
        decoded(event("result", {{"id", 4}, {"status", "done"}, {"pointer", pointer}})));
    EXPECT_EQ(pointerResult.pointer, (Point{9, 8}));
}

TEST(BridgeCodec, RefusesGarbageWithAReasonInsteadOfThrowing) {
    json badWindow = window;
    badWindow["pid"] = "42";
    json emptyId = window;
    emptyId["id"] = "";
    json negative = window;
    negative["frame"]["w"] = -1;
    const std::string cases[] = {
        "",
        "{",
        "[1,2]",
        "null",
        R"({"v":1})",
        R"({"type":"poll","token":"t-123"})",
        event("noSuchEvent"),
        event("windowAdded", {{"window", badWindow}}),
        event("windowAdded", {{"window", emptyId}}),
        event("windowAdded", {{"window", negative}}),
        event("windowAdded", {{"window", "not an object"}}),
        event("windowMoved", {{"window", "a"}, {"frame", {{"x", 1}, {"y", 2}, {"w", 3}}}}),
        event("windowMinimized", {{"window", "a"}, {"minimized", 1}}),
        event("snapshot", {{"windows", {1}}, {"screens", json::array()}}),
        event("result", {{"id", 1.5}, {"status", "done"}}),
        event("result", {{"id", 1}, {"status", "maybe"}}),
        event("keyPressed", {{"name", 3}}),
        event("menuChosen", {}),
        R"({"v":1,"type":"hello","bridge":"kwin","bridgeVersion":"1","api":-4})",
    };
    for (const std::string& text : cases) {
        Decoded d = decodeFromBridge(text, token);
        EXPECT_FALSE(d.message) << text;
        EXPECT_FALSE(d.error.empty()) << text;
    }
}

TEST(BridgeCodec, WritesEveryMessageTheScriptReads) {
    json welcome = json::parse(encodeToBridge(Welcome{777, ""}, token));
    EXPECT_EQ(welcome, json({{"v", 1}, {"type", "welcome"}, {"token", token}, {"pid", 777}}));
    EXPECT_EQ(json::parse(encodeToBridge(Welcome{777, "unix:path=/run/k"}, token))["peer"],
              "unix:path=/run/k");
    // A rejection goes to a sender whose token is stale: it carries none.
    json rejected = json::parse(encodeToBridge(Rejected{"wrong token"}, token));
    EXPECT_EQ(rejected, json({{"v", 1}, {"type", "rejected"}, {"reason", "wrong token"}}));
    EXPECT_EQ(json::parse(encodeToBridge(Ack{}, token))["type"], "ack");

    port::MenuItem left;
    left.id = "left";
    left.title = "Left half";
    left.shortcut = "Ctrl+Alt+Left";
    port::MenuItem separator;
    separator.separator = true;
    port::MenuItem grid;
    grid.id = "l1";
    grid.title = "Grid";
    grid.checked = true;
    grid.enabled = false;
    port::MenuItem layouts;
    layouts.title = "Layouts";
    layouts.submenu = {grid};
    Commands commands{
        {SetFrame{1, "a", Rect(1, 2, 3, 4)}, Raise{2, "a"}, Activate{3, "b", "a"}, GetPointer{4},
         ListWindows{5}, PlaceOwn{6, 99, "Zone picker", true, true, false, Rect(5, 6, 7, 8)},
         GrabKey{7, "k1", "<Control><Alt>0x71"}, ReleaseKey{8, "k1"},
         SetMenu{9, TopBarMenu{"paused", "Kelvra", {left, separator, layouts}}}, SetMenu{10, {}}}};
    json batch = json::parse(encodeToBridge(commands, token));
    EXPECT_EQ(batch["token"], token);
    EXPECT_EQ(batch["commands"], json::parse(R"([
        {"id":1,"cmd":"setFrame","window":"a","frame":{"x":1.0,"y":2.0,"w":3.0,"h":4.0}},
        {"id":2,"cmd":"raise","window":"a"},
        {"id":3,"cmd":"activate","window":"b","ifActive":"a"},
        {"id":4,"cmd":"getPointer"},
        {"id":5,"cmd":"list"},
        {"id":6,"cmd":"placeOwn","pid":99,"title":"Zone picker","keepAbove":true,
         "skipTaskbar":true,"skipSwitcher":false,"frame":{"x":5.0,"y":6.0,"w":7.0,"h":8.0}},
        {"id":7,"cmd":"grabKey","name":"k1","accelerator":"<Control><Alt>0x71"},
        {"id":8,"cmd":"releaseKey","name":"k1"},
        {"id":9,"cmd":"setMenu","menu":{"icon":"paused","toolTip":"Kelvra","items":[
          {"id":"left","title":"Left half","shortcut":"Ctrl+Alt+Left","separator":false,
           "checked":false,"enabled":true},
          {"id":"","title":"","shortcut":"","separator":true,"checked":false,"enabled":true},
          {"id":"","title":"Layouts","shortcut":"","separator":false,"checked":false,
           "enabled":true,"submenu":[{"id":"l1","title":"Grid","shortcut":"","separator":false,
           "checked":true,"enabled":false}]}]}},
        {"id":10,"cmd":"setMenu","menu":null}])"));
    EXPECT_EQ(json::parse(encodeToBridge(Commands{}, token))["commands"], json::array());

    // A caption with broken UTF-8 still gives valid JSON.
    std::string broken =
        encodeToBridge(Commands{{PlaceOwn{1, 2, "bad\xff", true, true, true, {}}}}, token);
    EXPECT_FALSE(json::parse(broken, nullptr, false).is_discarded());
}

}  // namespace
}  // namespace kelvra::bridge
