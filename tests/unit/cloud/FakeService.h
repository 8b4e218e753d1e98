#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "port/Http.h"

namespace kelvra::test {

// The cloud service as the client expects it, behind SimHttp: one account, one code,
// the stored blob and its version. `fault` answers instead when it returns something.
struct FakeService {
    std::string base = "https://sync.kelvra.app";
    std::string code = "code-1";
    std::string token = "tok-SECRET-1";
    nlohmann::json account = {{"email", "ann@example.org"}, {"tier", "pro"}};
    std::optional<std::string> blob;
    int64_t version = 0;
    int puts = 0;
    int gets = 0;
    nlohmann::json lastTokenBody;
    nlohmann::json lastPutBody;
    std::function<std::optional<port::HttpResponse>(const port::HttpRequest&)> fault;

    static port::HttpResponse reply(int status, const nlohmann::json& body) {
        return {status, {{"Content-Type", "application/json"}}, body.dump(), {}};
    }

    static std::string header(const port::HttpRequest& r, const std::string& name) {
        for (const auto& [k, v] : r.headers) {
            if (k == name) return v;
        }
        return {};
    }

    port::HttpResponse handle(const port::HttpRequest& r) {
        if (fault) {
            if (auto answer = fault(r)) return *answer;
        }
        if (r.url.rfind(base + "/api/", 0) != 0) return reply(404, {});
        std::string path = r.url.substr(base.size() + 5);
        bool authorized = header(r, "Authorization") == "Bearer " + token;
        if (path == "app/token" && r.method == "POST") {
            lastTokenBody = nlohmann::json::parse(r.body);
            if (lastTokenBody.value("code", "") != code) return reply(400, {});
            auto answer = account;
            answer["token"] = token;
            return reply(200, answer);
        }
        if (!authorized) return reply(401, {});
        if (path == "me" && r.method == "GET") return reply(200, account);
        if (path == "app/logout" && r.method == "POST") return reply(200, nlohmann::json::object());
        if (path == "sync/kelvra" && r.method == "GET") {
            ++gets;
            if (!blob) return reply(200, nlohmann::json::object());
            return reply(200, {{"blob", *blob}, {"version", version}});
        }
        if (path == "sync/kelvra" && r.method == "PUT") {
            ++puts;
            lastPutBody = nlohmann::json::parse(r.body);
            if (lastPutBody.at("baseVersion").get<int64_t>() != version) return reply(409, {});
            blob = lastPutBody.at("blob").get<std::string>();
            ++version;
            return reply(200, {{"version", version}});
        }
        return reply(404, {});
    }
};

}  // namespace kelvra::test
