#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "backends/bridge/BridgeSession.h"

namespace kelvra::test {

// The bridge's side of a session, played by a test: its hello, its events with the
// session's token, and polls whose answers (given now or later) it collects.
struct BridgeScript {
    explicit BridgeScript(bridge::BridgeSession& session) : session(session) {}

    std::string hello(const std::string& bridge = "kwin", int api = 5) {
        return session.hello(R"({"v":1,"type":"hello","bridge":")" + bridge +
                             R"(","bridgeVersion":"1","api":)" + std::to_string(api) + "}");
    }
    // A message with the version and the session's token around `fields`.
    std::string message(const std::string& type, nlohmann::json fields = nlohmann::json::object()) {
        fields["v"] = 1;
        fields["type"] = type;
        fields["token"] = session.token();
        return fields.dump();
    }
    std::string send(const std::string& type, nlohmann::json fields = nlohmann::json::object()) {
        return session.event(message(type, std::move(fields)));
    }
    void poll() {
        session.poll(message("poll"), [this](std::string a) {
            answers.push_back(nlohmann::json::parse(a));
            for (const auto& c : answers.back()["commands"]) commands.push_back(c);
        });
    }

    bridge::BridgeSession& session;
    std::vector<nlohmann::json> answers, commands;
};

}  // namespace kelvra::test
