// The service's wire protocol end to end: a real server on a loopback port, spoken to
// with an HTTP client, once on each store.
#include <sys/stat.h>

#include "ProtocolFixture.h"
#include "SqliteStore.h"

namespace kelvra::server::test {
namespace {

TEST_P(ProtocolTest, ConnectPageIsALabelledFormPostingToItself) {
    std::string challenge = s256Challenge(randomToken());
    auto res = client_->Get(connectPath(challenge, "st8"));
    ASSERT_EQ(res->status, 200);
    EXPECT_NE(res->get_header_value("Content-Type").find("text/html"), std::string::npos);
    for (const std::string& part : std::vector<std::string>{
             "<html lang=\"en\">", "<label for=\"email\">", "<label for=\"password\">",
             "name=\"email\"", "name=\"password\"", "method=\"post\"",
             "action=\"connect?app=kelvra&amp;challenge=" + challenge + "&amp;state=st8\""}) {
        EXPECT_NE(res->body.find(part), std::string::npos) << part;
    }
}

TEST_P(ProtocolTest, ConnectLinksWithoutAValidChallengeOrStateAreRefused) {
    std::string challenge = s256Challenge("v");
    for (const std::string& query : std::vector<std::string>{
             "app=kelvra&state=s", "app=kelvra&challenge=short&state=s",
             "app=kelvra&challenge=" + challenge, "challenge=" + challenge + "&state=s"}) {
        auto res = client_->Get("/app/connect?" + query);
        EXPECT_EQ(res->status, 400) << query;
        EXPECT_EQ(res->body.find("<form"), std::string::npos) << query;
    }
}

TEST_P(ProtocolTest, AWrongPasswordShowsTheFormAgainWithoutACode) {
    auto res = signIn("wrong", s256Challenge(randomToken()));
    ASSERT_EQ(res->status, 401);
    EXPECT_NE(res->body.find("<form"), std::string::npos);
    EXPECT_NE(res->body.find("role=\"alert\""), std::string::npos);
    EXPECT_NE(res->body.find("value=\"ada@example.org\""), std::string::npos);
    EXPECT_FALSE(res->has_header("Location"));
    EXPECT_EQ(res->body.find("kelvra://"), std::string::npos);
}

TEST_P(ProtocolTest, ACorrectPasswordRedirectsToTheAppWithCodeAndEncodedState) {
    // The client decodes Location once; a state holding "%41" survives only if the
    // server encoded it ("%2541"), else it would come back as "A".
    auto res = signIn("correct%20horse", s256Challenge(randomToken()), "a%20b%26c%3D%2541");
    ASSERT_EQ(res->status, 302);
    std::string location = res->get_header_value("Location");
    EXPECT_EQ(location.rfind("kelvra://auth?code=", 0), 0u) << location;
    EXPECT_TRUE(location.ends_with("&state=a b&c=%41")) << location;
}

TEST_P(ProtocolTest, TokenExchangeChecksTheProofKeyAndUsesACodeOnce) {
    if (running()) GTEST_SKIP() << "needs a server of its own";
    std::string verifier = randomToken();
    std::string code = codeFor(verifier);
    auto res = exchange(code, verifier);
    ASSERT_EQ(res->status, 200);
    auto reply = json::parse(res->body);
    EXPECT_EQ(reply.at("email"), kEmail);
    EXPECT_EQ(reply.at("tier"), "free");
    EXPECT_GE(reply.at("token").get<std::string>().size(), 43u);

    EXPECT_EQ(exchange(code, verifier)->status, 400) << "a code works once";

    std::string other = randomToken();
    std::string code2 = codeFor(other);
    EXPECT_EQ(exchange(code2, randomToken())->status, 400) << "wrong verifier";
    EXPECT_EQ(exchange(code2, other)->status, 400) << "a refused attempt uses the code up";

    std::string code3 = codeFor(other);
    nowMs_ += 301'000;
    EXPECT_EQ(exchange(code3, other)->status, 400) << "expired after five minutes";

    for (std::string body : {"", "[]", "{\"code\":\"x\"}", "{\"code\":1,\"verifier\":\"v\"}"}) {
        EXPECT_EQ(client_->Post("/api/app/token", body, "application/json")->status, 400) << body;
    }
}

TEST_P(ProtocolTest, AccountEndpointsNeedALiveToken) {
    std::string token = signedInToken();
    auto me = client_->Get("/api/me", bearer(token));
    ASSERT_EQ(me->status, 200);
    EXPECT_EQ(json::parse(me->body), (json{{"email", kEmail}, {"tier", "free"}}));

    EXPECT_EQ(client_->Get("/api/me")->status, 401);
    EXPECT_EQ(client_->Get("/api/me", bearer("forged"))->status, 401);
    EXPECT_EQ(client_->Get("/api/sync/kelvra")->status, 401);

    auto out = client_->Post("/api/app/logout", bearer(token), "{}", "application/json");
    EXPECT_EQ(out->status, 200);
    EXPECT_EQ(client_->Get("/api/me", bearer(token))->status, 401) << "revoked";
    EXPECT_EQ(client_->Get("/api/sync/kelvra", bearer(token))->status, 401) << "revoked";
    EXPECT_EQ(client_->Post("/api/app/logout", bearer(token), "{}", "application/json")->status,
              401);
}

TEST_P(ProtocolTest, UploadsMoveTheVersionAndAStaleBaseIsAConflict) {
    std::string token = signedInToken();
    auto empty = client_->Get("/api/sync/kelvra", bearer(token));
    ASSERT_EQ(empty->status, 200);
    EXPECT_EQ(json::parse(empty->body), json::object()) << "nothing stored yet";

    struct Step {
        std::string blob;
        int base;
        int status;
        int version;
    };
    for (const Step& s : {Step{"one", 0, 200, 1}, Step{"two", 0, 409, 1}, Step{"two", 1, 200, 2},
                          Step{"three", 1, 409, 2}, Step{"three", 5, 409, 2}}) {
        auto res = upload(token, s.blob, s.base);
        ASSERT_EQ(res->status, s.status) << s.blob << " on " << s.base;
        EXPECT_EQ(json::parse(res->body).at("version"), s.version) << s.blob;
    }
    auto got = client_->Get("/api/sync/kelvra", bearer(token));
    EXPECT_EQ(json::parse(got->body), (json{{"blob", "two"}, {"version", 2}}));

    for (std::string body : {"not json", "{}", "{\"blob\":\"x\",\"deviceId\":\"d\"}",
                             "{\"blob\":\"x\",\"baseVersion\":\"1\",\"deviceId\":\"d\"}",
                             "{\"blob\":\"x\",\"baseVersion\":-1,\"deviceId\":\"d\"}",
                             "{\"blob\":3,\"baseVersion\":2,\"deviceId\":\"d\"}"}) {
        auto res = client_->Put("/api/sync/kelvra", bearer(token), body, "application/json");
        EXPECT_EQ(res->status, 400) << body;
    }
}

TEST_P(ProtocolTest, CrashReportsAreStoredAndMalformedOnesRefused) {
    if (running()) GTEST_SKIP() << "needs a server of its own";
    json report{{"type", "crash"},     {"app", "kelvra"},   {"installID", "INSTALL-1"},
                {"appVersion", "0.1"}, {"build", "1"},      {"osVersion", "Debian 12"},
                {"arch", "x86_64"},    {"callStack", "[]"}, {"signal", 11}};
    EXPECT_EQ(client_->Post("/api/crash", report.dump(), "application/json")->status, 204);
    EXPECT_EQ(store_->crashCount(), 1);

    json noInstall = report;
    noInstall.erase("installID");
    json badSignal = report;
    badSignal["signal"] = "SEGV";
    for (const json& bad : {noInstall, badSignal, json::array()}) {
        EXPECT_EQ(client_->Post("/api/crash", bad.dump(), "application/json")->status, 400) << bad;
    }
    EXPECT_EQ(store_->crashCount(), 1);
}

TEST_P(ProtocolTest, OversizedBodiesAreRefused) {
    if (running()) GTEST_SKIP() << "needs a server of its own";
    std::string token = signedInToken();
    auto big = upload(token, std::string(1 << 20, 'x'), 0);
    EXPECT_EQ(big->status, 413);
    auto crash = client_->Post("/api/crash", std::string((256 << 10) + 1, ' '), "application/json");
    EXPECT_EQ(crash->status, 413);
    EXPECT_EQ(upload(token, std::string(900 << 10, 'x'), 0)->status, 200) << "under the limit";
}

TEST_P(ProtocolTest, TooManyRequestsFromOneAddressAreRefusedUntilTheBucketRefills) {
    if (running()) GTEST_SKIP() << "needs a server of its own";
    restartWith([](ServerOptions& o) {
        o.rateBurst = 3;
        o.ratePerSecond = 1;
    });
    for (int i = 0; i < 3; ++i) EXPECT_EQ(client_->Get("/api/me")->status, 401) << i;
    auto limited = client_->Get("/api/me");
    EXPECT_EQ(limited->status, 429);
    EXPECT_EQ(limited->get_header_value("Retry-After"), "1");
    nowMs_ += 1000;
    EXPECT_EQ(client_->Get("/api/me")->status, 401) << "one token back after a second";
    EXPECT_EQ(client_->Get("/api/me")->status, 429);
}

TEST_P(ProtocolTest, SignInAttemptsHaveATighterBudget) {
    if (running()) GTEST_SKIP() << "needs a server of its own";
    restartWith([](ServerOptions& o) {
        o.signInBurst = 2;
        o.signInPerSecond = 0.2;
    });
    std::string challenge = s256Challenge(randomToken());
    EXPECT_EQ(signIn("wrong", challenge)->status, 401);
    EXPECT_EQ(signIn("wrong", challenge)->status, 401);
    auto limited = signIn("correct%20horse", challenge);
    EXPECT_EQ(limited->status, 429) << "even the right password waits";
    EXPECT_NE(limited->body.find("<form"), std::string::npos) << "the form, with a message";
    EXPECT_FALSE(limited->has_header("Location"));
    EXPECT_EQ(client_->Get(connectPath(challenge, "s"))->status, 200) << "the page still shows";
    nowMs_ += 5000;
    EXPECT_EQ(signIn("correct%20horse", challenge)->status, 302);
}

TEST_P(ProtocolTest, ARestartKeepsAccountsTokensAndBlobs) {
    if (running()) GTEST_SKIP() << "needs a server of its own";
    std::string token = signedInToken();
    ASSERT_EQ(upload(token, "kept", 0)->status, 200);
    restart();
    auto got = client_->Get("/api/sync/kelvra", bearer(token));
    ASSERT_EQ(got->status, 200);
    EXPECT_EQ(json::parse(got->body), (json{{"blob", "kept"}, {"version", 1}}));
    EXPECT_EQ(signIn("correct%20horse", s256Challenge(randomToken()))->status, 302);
}

TEST_P(ProtocolTest, UnknownPathsAndMethodsAreNotFound) {
    EXPECT_EQ(client_->Get("/api/nothing")->status, 404);
    EXPECT_EQ(client_->Delete("/api/sync/kelvra")->status, 404);
}

INSTANTIATE_TEST_SUITE_P(Stores, ProtocolTest, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });
// Against a server started outside (skipped unless KELVRA_TEST_SERVER names it).
INSTANTIATE_TEST_SUITE_P(Outside, ProtocolTest, ::testing::Values("running"),
                         [](const auto& info) { return info.param; });

TEST(SqliteDataFolder, FolderAndDatabaseAreReadableByTheOwnerOnly) {
    TempDir dir;
    auto data = dir.path() / "data";
    auto store = openSqliteStore(data);
    struct stat st {};
    ASSERT_EQ(::stat(data.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((data / "kelvra.db").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace kelvra::server::test
