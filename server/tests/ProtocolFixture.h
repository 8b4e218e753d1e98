#pragma once

// A real server on a loopback port with one account, spoken to with an HTTP client,
// on the store the test parameter names ("sqlite" or "postgresql"). With "running" the
// server is one started outside the test (an installed copy, as its unit starts it) at
// $KELVRA_TEST_SERVER (HOST:PORT), holding the same account; the cases that need to
// reach into the server (its clock, store or limits) skip there.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "Crypto.h"
#include "KelvraServer.h"
#include "ServerBackends.h"

namespace kelvra::server::test {

using nlohmann::json;

inline constexpr const char* kEmail = "ada@example.org";
inline constexpr const char* kPassword = "correct horse";

class ProtocolTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        if (GetParam() == "running") {
            const char* address = std::getenv("KELVRA_TEST_SERVER");
            if (!address || !*address) GTEST_SKIP() << "KELVRA_TEST_SERVER names no server";
            const std::string text = address;
            const auto colon = text.rfind(':');
            ASSERT_NE(colon, std::string::npos) << text;
            client_ = std::make_unique<httplib::Client>(text.substr(0, colon),
                                                        std::stoi(text.substr(colon + 1)));
            client_->set_keep_alive(false);
            return;
        }
        std::string why;
        backend_ = makeBackend(GetParam(), why);
        if (!backend_) GTEST_SKIP() << why;
        store_ = backend_->open();
        ASSERT_TRUE(addUser(*store_, kEmail, kPassword, 1000));
        options_.clock = [this] { return nowMs_.load(); };
        start();
    }
    void TearDown() override { stop(); }
    // A server started outside the test: only what goes over the wire can be checked.
    bool running() const { return !store_; }

    void start() {
        server_ = std::make_unique<KelvraServer>(*store_, options_);
        port_ = server_->bind("127.0.0.1", 0);
        ASSERT_GT(port_, 0);
        thread_ = std::thread([this] { server_->run(); });
        client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
        client_->set_keep_alive(false);
    }
    void stop() {
        if (server_) server_->stop();
        if (thread_.joinable()) thread_.join();
        server_.reset();
    }
    // Starts the server again with the options changed.
    void restartWith(const std::function<void(ServerOptions&)>& change) {
        stop();
        change(options_);
        start();
    }
    // Stops the server, closes the store and opens both again on the same data.
    void restart() {
        stop();
        store_.reset();
        store_ = backend_->open();
        start();
    }

    static std::string connectPath(const std::string& challenge, const std::string& state) {
        return "/app/connect?app=kelvra&challenge=" + challenge + "&state=" + state;
    }
    httplib::Result signIn(const std::string& password, const std::string& challenge,
                           const std::string& state = "st8") {
        return client_->Post(connectPath(challenge, state),
                             "email=ada%40example.org&password=" + password,
                             "application/x-www-form-urlencoded");
    }
    // The code from a successful sign-in's redirect.
    std::string codeFor(const std::string& verifier) {
        auto res = signIn("correct%20horse", s256Challenge(verifier));
        EXPECT_EQ(res->status, 302);
        std::string location = res->get_header_value("Location");
        auto start = location.find("code=") + 5;
        return location.substr(start, location.find('&', start) - start);
    }
    httplib::Result exchange(const std::string& code, const std::string& verifier) {
        json body{{"code", code}, {"verifier", verifier}, {"deviceId", "DEVICE-1"}};
        return client_->Post("/api/app/token", body.dump(), "application/json");
    }
    std::string signedInToken() {
        std::string verifier = randomToken();
        auto res = exchange(codeFor(verifier), verifier);
        EXPECT_EQ(res->status, 200);
        return json::parse(res->body).at("token").get<std::string>();
    }
    httplib::Headers bearer(const std::string& token) {
        return {{"Authorization", "Bearer " + token}};
    }
    httplib::Result upload(const std::string& token, const std::string& blob, int baseVersion) {
        json body{{"blob", blob}, {"baseVersion", baseVersion}, {"deviceId", "DEVICE-1"}};
        return client_->Put("/api/sync/kelvra", bearer(token), body.dump(), "application/json");
    }

    std::unique_ptr<Backend> backend_;
    std::unique_ptr<Store> store_;
    ServerOptions options_;
    std::atomic<std::int64_t> nowMs_{1'800'000'000'000};
    std::unique_ptr<KelvraServer> server_;
    std::thread thread_;
    int port_ = 0;
    std::unique_ptr<httplib::Client> client_;
};

}  // namespace kelvra::server::test
