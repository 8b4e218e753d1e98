// What the service allows each client before it refuses: crash report quotas and
// retention, sign-in waits after failures, token expiry, budgets per account, and
// which forwarded addresses it believes.
#include <future>

#include "ProtocolFixture.h"

namespace kelvra::server::test {
namespace {

class QuotaTest : public ProtocolTest {
  protected:
    static httplib::Headers from(const std::string& address) {
        return {{"X-Forwarded-For", address}};
    }
    httplib::Result crashFrom(const std::string& address, const std::string& padding = "") {
        json report{{"type", "crash"},   {"app", "kelvra"},     {"installID", "I"},
                    {"appVersion", "1"}, {"build", "1"},        {"osVersion", "Debian"},
                    {"arch", "x86_64"},  {"callStack", padding}};
        return client_->Post("/api/crash", from(address), report.dump(), "application/json");
    }
    int signInFrom(const std::string& address, const std::string& email,
                   const std::string& password) {
        auto res = client_->Post(connectPath(s256Challenge(randomToken()), "s"), from(address),
                                 "email=" + email + "&password=" + password,
                                 "application/x-www-form-urlencoded");
        return res ? res->status : -1;
    }
};

TEST_P(QuotaTest, CrashReportsHaveAQuotaPerAddressAndOneForAll) {
    restartWith([](ServerOptions& o) {
        o.trustedProxies = {"127.0.0.1"};
        o.crashBurst = 2;
        o.crashPerHour = 1;
        o.crashTotalBurst = 3;
        o.crashTotalPerHour = 1;
    });
    EXPECT_EQ(crashFrom("10.0.0.1")->status, 204);
    EXPECT_EQ(crashFrom("10.0.0.1")->status, 204);
    EXPECT_EQ(crashFrom("10.0.0.1")->status, 429) << "the address's quota";
    EXPECT_EQ(crashFrom("10.0.0.2")->status, 204);
    EXPECT_EQ(crashFrom("10.0.0.3")->status, 429) << "the quota of all addresses";
    nowMs_ += 3600'000;
    EXPECT_EQ(crashFrom("10.0.0.3")->status, 204) << "an hour refills one";
    EXPECT_EQ(store_->crashCount(), 4);
}

TEST_P(QuotaTest, CrashReportsAreKeptForALimitedTimeAndSizeOldestFirst) {
    restartWith([](ServerOptions& o) {
        o.crashBurst = 100;
        o.crashRetentionSeconds = 100;
        o.crashRetentionBytes = 2500;
    });
    std::string kilobyte(1000, 'x');
    for (int i = 0; i < 3; ++i) EXPECT_EQ(crashFrom("", kilobyte)->status, 204);
    EXPECT_EQ(store_->crashCount(), 2) << "the oldest made room";
    nowMs_ += 101'000;
    EXPECT_EQ(crashFrom("")->status, 204);
    EXPECT_EQ(store_->crashCount(), 1) << "older than the retention time";
}

TEST_P(QuotaTest, FailedSignInsBringGrowingWaitsPerAccountWhateverTheAddress) {
    restartWith([](ServerOptions& o) {
        o.trustedProxies = {"127.0.0.1"};
        o.signInFreeFailures = 2;
        o.signInFirstDelayMs = 1000;
    });
    const std::string ada = "ada%40example.org";
    EXPECT_EQ(signInFrom("10.0.0.1", ada, "wrong"), 401);
    EXPECT_EQ(signInFrom("10.0.0.2", ada, "wrong"), 401);
    EXPECT_EQ(signInFrom("10.0.0.3", ada, "wrong"), 401);
    EXPECT_EQ(signInFrom("10.0.0.4", ada, "correct%20horse"), 429) << "the account waits";
    nowMs_ += 1000;
    EXPECT_EQ(signInFrom("10.0.0.5", ada, "wrong"), 401);
    nowMs_ += 1000;
    EXPECT_EQ(signInFrom("10.0.0.6", ada, "correct%20horse"), 429) << "now two seconds";
    nowMs_ += 1000;
    EXPECT_EQ(signInFrom("10.0.0.7", ada, "correct%20horse"), 302);
    EXPECT_EQ(signInFrom("10.0.0.8", ada, "wrong"), 401) << "success cleared the count";
}

TEST_P(QuotaTest, FailedSignInsCountPerIpv6Network) {
    restartWith([](ServerOptions& o) {
        o.trustedProxies = {"127.0.0.1"};
        o.signInFreeFailures = 2;
    });
    EXPECT_EQ(signInFrom("2001:db8:0:1::a", "a%40x.org", "pw"), 401);
    EXPECT_EQ(signInFrom("2001:db8:0:1::b", "b%40x.org", "pw"), 401);
    EXPECT_EQ(signInFrom("2001:db8:0:1::c", "c%40x.org", "pw"), 401);
    EXPECT_EQ(signInFrom("2001:db8:0:1:ffff::d", "d%40x.org", "pw"), 429) << "same /64";
    EXPECT_EQ(signInFrom("2001:db8:0:2::a", "e%40x.org", "pw"), 401) << "another /64";
}

TEST_P(QuotaTest, PasswordChecksBeyondTheQueueAreRefused) {
    restartWith([](ServerOptions& o) {
        o.passwordThreads = 1;
        o.passwordQueue = 1;
        o.signInBurst = 100;
        o.signInFreeFailures = 100;
    });
    // Unknown addresses are checked against a full-cost hash: each check is slow.
    std::vector<std::future<int>> attempts;
    for (int i = 0; i < 6; ++i) {
        attempts.push_back(std::async(std::launch::async, [this, i] {
            httplib::Client client("127.0.0.1", port_);
            client.set_read_timeout(30, 0);
            auto res = client.Post(connectPath(s256Challenge(randomToken()), "s"),
                                   "email=n" + std::to_string(i) + "%40x.org&password=pw",
                                   "application/x-www-form-urlencoded");
            return res ? res->status : -1;
        }));
    }
    int refused = 0, checked = 0;
    for (auto& a : attempts) {
        int status = a.get();
        refused += status == 429;
        checked += status == 401;
    }
    EXPECT_GE(refused, 1);
    EXPECT_GE(checked, 1);
    EXPECT_EQ(refused + checked, 6);
}

TEST_P(QuotaTest, TokensExpireWhenUnusedAndTheOperatorCanRevokeThem) {
    restartWith([](ServerOptions& o) { o.tokenLifetimeSeconds = 1000; });
    std::string token = signedInToken();
    for (int i = 0; i < 3; ++i) {
        nowMs_ += 900'000;
        EXPECT_EQ(client_->Get("/api/me", bearer(token))->status, 200) << "each use extends";
    }
    nowMs_ += 1001'000;
    EXPECT_EQ(client_->Get("/api/me", bearer(token))->status, 401) << "expired";

    std::string other = signedInToken();
    auto id = store_->accountByEmail(kEmail)->id;
    ASSERT_EQ(store_->tokens(id).size(), 1u) << "the expired one is gone";
    EXPECT_EQ(store_->tokens(id)[0].device, "DEVICE-1");
    EXPECT_EQ(store_->revokeTokens(id, "OTHER-DEVICE"), 0);
    EXPECT_EQ(store_->revokeTokens(id, ""), 1);
    EXPECT_EQ(client_->Get("/api/me", bearer(other))->status, 401);
}

TEST_P(QuotaTest, SignedInRequestsCountPerAccountNotPerAddress) {
    restartWith([](ServerOptions& o) {
        o.rateBurst = 3;
        o.ratePerSecond = 0.001;
        o.accountBurst = 5;
        o.accountPerSecond = 0.001;
    });
    std::string token = signedInToken();  // two of the address's three
    for (int i = 0; i < 5; ++i) EXPECT_EQ(client_->Get("/api/me", bearer(token))->status, 200);
    EXPECT_EQ(client_->Get("/api/me", bearer(token))->status, 429) << "the account's budget";
    EXPECT_EQ(client_->Get("/api/me")->status, 401) << "the address still has one";
    EXPECT_EQ(client_->Get("/api/me")->status, 429);
}

TEST_P(QuotaTest, ForwardedAddressesCountOnlyFromTrustedProxies) {
    restartWith([](ServerOptions& o) {
        o.rateBurst = 1;
        o.ratePerSecond = 0.001;
    });
    EXPECT_EQ(client_->Get("/api/me", from("10.0.0.1"))->status, 401);
    EXPECT_EQ(client_->Get("/api/me", {{"X-Real-IP", "10.0.0.2"}})->status, 429)
        << "not a trusted proxy: its headers are ignored";

    restartWith([](ServerOptions& o) { o.trustedProxies = {"192.0.2.9", "127.0.0.1"}; });
    EXPECT_EQ(client_->Get("/api/me", from("10.0.0.3"))->status, 401);
    EXPECT_EQ(client_->Get("/api/me", from("10.0.0.4"))->status, 401);
    EXPECT_EQ(client_->Get("/api/me", from("10.0.0.5, 192.0.2.9"))->status, 401);
    EXPECT_EQ(client_->Get("/api/me", from("10.0.0.1, 10.0.0.5, 192.0.2.9"))->status, 429)
        << "what a client wrote before the proxies' entries does not count";
}

INSTANTIATE_TEST_SUITE_P(Stores, QuotaTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kelvra::server::test
