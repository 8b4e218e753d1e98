#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "BridgeScript.h"
#include "backends/sim/VirtualRunLoop.h"

namespace kelvra::bridge {
namespace {

using nlohmann::json;

class BridgeSessionTest : public ::testing::Test {
  protected:
    void snapshot() {
        json w = {{"id", "w1"},
                  {"pid", 7},
                  {"appId", "org.example.Editor"},
                  {"kind", "normal"},
                  {"minimized", false},
                  {"title", "Doc"},
                  {"frame", {{"x", 0}, {"y", 0}, {"w", 100}, {"h", 100}}}};
        bridge.send("snapshot", {{"windows", {w}},
                                 {"screens", json::array()},
                                 {"active", "w1"},
                                 {"pointer", {{"x", 1}, {"y", 2}}}});
    }

    sim::VirtualRunLoop runLoop;
    BridgeSession session{runLoop, 4242};
    test::BridgeScript bridge{session};
    std::vector<json>& answers = bridge.answers;
};

TEST_F(BridgeSessionTest, WelcomesWithItsTokenAndRefusesMessagesWithoutIt) {
    EXPECT_FALSE(session.connected());
    json welcome = json::parse(bridge.hello());
    EXPECT_EQ(welcome["type"], "welcome");
    EXPECT_EQ(welcome["token"], session.token());
    EXPECT_EQ(welcome["pid"], 4242);
    EXPECT_FALSE(welcome.contains("peer"));
    EXPECT_TRUE(session.connected());
    session.offerPeer("unix:path=/run/user/1000/kelvra-bridge");
    EXPECT_EQ(json::parse(bridge.hello())["peer"], "unix:path=/run/user/1000/kelvra-bridge");
    EXPECT_EQ(session.token().size(), 32u);
    EXPECT_NE(session.token(), BridgeSession(runLoop, 1).token());

    json stale =
        json::parse(session.event(R"({"v":1,"type":"windowRemoved","token":"old","window":"w1"})"));
    EXPECT_EQ(stale["type"], "rejected");
    EXPECT_EQ(json::parse(session.event("not json"))["type"], "rejected");
    // Before its first snapshot the mirror knows no window: an event about one asks for
    // a fresh snapshot.
    for (const char* type : {"windowRemoved", "windowActivated"})
        EXPECT_EQ(json::parse(bridge.send(type, {{"window", "w9"}}))["type"], "rejected");
    EXPECT_FALSE(session.mirror().synced());
    EXPECT_EQ(session.mirror().activeWindow(), nullptr);
    snapshot();
    EXPECT_TRUE(session.mirror().synced());
    EXPECT_EQ(json::parse(
                  bridge.send("windowMinimized", {{"window", "w1"}, {"minimized", true}}))["type"],
              "ack");
    EXPECT_TRUE(session.mirror().window("w1")->minimized);
}

TEST_F(BridgeSessionTest, HoldsThePollUntilCommandsAreQueuedOrThePollTimePasses) {
    bridge.hello();
    bridge.poll();
    runLoop.advance(BridgeSession::pollSeconds - 1);
    EXPECT_TRUE(answers.empty());
    runLoop.advance(1);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0]["commands"], json::array());
    // A reply later than the bus's default timeout (25 s) never reaches the script.
    EXPECT_LT(BridgeSession::pollSeconds, 25.0);

    // Commands sent in one turn go out together in one answer.
    bridge.poll();
    session.send(Activate{0, "w1"});
    session.send(GetPointer{});
    EXPECT_EQ(answers.size(), 1u);
    runLoop.runPending();
    ASSERT_EQ(answers.size(), 2u);
    ASSERT_EQ(answers[1]["commands"].size(), 2u);
    EXPECT_EQ(answers[1]["commands"][0]["cmd"], "activate");
    EXPECT_EQ(answers[1]["commands"][1]["cmd"], "getPointer");
    runLoop.advance(BridgeSession::pollSeconds * 2);
    EXPECT_EQ(answers.size(), 2u) << "no poll was held";

    // Queued while no poll is held: the next poll takes them at once.
    session.send(Raise{0, "w1"});
    runLoop.runPending();
    bridge.poll();
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[2]["commands"][0]["cmd"], "raise");

    // A newer poll, or a bridge starting over, releases the one held.
    bridge.poll();
    bridge.poll();
    EXPECT_EQ(answers.size(), 4u);
    bridge.hello();
    EXPECT_EQ(answers.size(), 5u);

    // What an event makes Kelvra do, posted on and on, goes out before the event's answer;
    // an event that does nothing is answered shortly after.
    snapshot();
    auto activated = [this] {
        session.event(bridge.message("windowActivated", {{"window", "w1"}}),
                      [this](std::string a) { answers.push_back(json::parse(a)); });
    };
    auto raising = session.changed.connect([this](const FromBridge&) {
        runLoop.post([this] { runLoop.post([this] { session.send(Raise{0, "w1"}); }); });
    });
    bridge.poll();
    activated();
    runLoop.runPending();
    ASSERT_EQ(answers.size(), 7u);
    EXPECT_EQ(answers[5]["commands"][0]["cmd"], "raise");
    EXPECT_EQ(answers[6]["type"], "ack");
    raising = {};
    activated();
    runLoop.runPending();
    EXPECT_EQ(answers.size(), 7u);
    runLoop.advance(BridgeSession::ackSeconds);
    ASSERT_EQ(answers.size(), 8u);
    EXPECT_EQ(answers[7]["type"], "ack");
}

TEST_F(BridgeSessionTest, HandsEachResultToTheCallerThatSentTheCommand) {
    bridge.hello();
    snapshot();
    std::vector<std::string> got;
    auto first = session.send(SetFrame{0, "w1", {10, 10, 50, 50}}, [&](const CommandResult& r) {
        got.push_back("first " + std::to_string(r.frame ? int(r.frame->width) : -1));
    });
    auto second = session.send(ListWindows{}, [&](const CommandResult&) { got.push_back("list"); });
    auto forgotten = session.send(GetPointer{}, [&](const CommandResult&) { got.push_back("x"); });
    session.forget(forgotten);
    bridge.poll();
    session.flush();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0]["commands"][0]["id"], first);

    bridge.send("snapshot", {{"id", second},
                             {"windows", json::array()},
                             {"screens", json::array()},
                             {"active", ""},
                             {"pointer", {{"x", 0}, {"y", 0}}}});
    bridge.send("result",
                {{"id", forgotten}, {"status", "done"}, {"pointer", {{"x", 3}, {"y", 4}}}});
    bridge.send("result", {{"id", first},
                           {"status", "settled"},
                           {"frame", {{"x", 10}, {"y", 10}, {"w", 48}, {"h", 50}}}});
    EXPECT_EQ(got, (std::vector<std::string>{"list", "first 48"}));
    EXPECT_EQ(session.mirror().pointer(), (Point{3, 4}));
}

TEST_F(BridgeSessionTest, RemembersActivationsAskedForUntilReportedOrASecondPasses) {
    bridge.hello();
    snapshot();
    bridge.send("windowActivated", {{"window", ""}});
    session.send(Activate{0, "w1"});
    session.send(Activate{0, "w9"});
    EXPECT_EQ(session.activationsUnderway(), (std::vector<std::string>{"w1", "w9"}));
    bridge.send("windowActivated", {{"window", "w1"}});
    EXPECT_EQ(session.activationsUnderway(), (std::vector<std::string>{"w9"}));
    runLoop.advance(BridgeSession::activationSeconds + 0.1);
    EXPECT_TRUE(session.activationsUnderway().empty());
}

}  // namespace
}  // namespace kelvra::bridge
