#include <algorithm>
#include <cctype>

#include "CloudFixture.h"
#include "cloud/ProofKey.h"

namespace kelvra::test {
namespace {

using State = CloudAccount::State;
using namespace std::string_literals;

bool isURLBase64(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isalnum(c) || c == '-' || c == '_'; });
}

TEST_F(CloudTest, SignInOpensTheConnectPageWithAProofKeyAndChangesNothingYet) {
    makeAccount();
    account->start();  // without a token: asks nothing
    wait(1);
    account->signIn();
    ASSERT_EQ(desktop.browser().opened().size(), 1u);
    EXPECT_EQ(desktop.browser().opened()[0].rfind(
                  "https://sync.kelvra.app/app/connect?app=kelvra&challenge=", 0),
              0u);
    std::string challenge = openedItem("challenge");
    std::string state = openedItem("state");
    EXPECT_EQ(std::pair(challenge.size(), state.size()), std::pair(43ul, 22ul));
    EXPECT_TRUE(isURLBase64(challenge) && isURLBase64(state));
    EXPECT_EQ(account->state(), State::signedOut());
    EXPECT_TRUE(desktop.http().requests().empty());

    // A second sign-in replaces the first: only the newest round trip completes.
    account->signIn();
    account->handleCallback("kelvra://auth?code=code-1&state=" + state);
    wait(1);
    EXPECT_TRUE(desktop.http().requests().empty());
}

TEST_F(CloudTest, AnAbandonedSignInExpiresAndNeverBlocksTheNextOne) {
    makeAccount();
    account->signIn();  // the tab is closed: no callback
    std::string stale = openedItem("state");
    wait(CloudAccount::signInLifetime - 1);
    EXPECT_TRUE(account->signInPending());
    wait(2);
    EXPECT_FALSE(account->signInPending());
    account->handleCallback("kelvra://auth?code=code-1&state=" + stale);
    wait(1);
    EXPECT_TRUE(desktop.http().requests().empty());

    // A later sign-in starts its own clock and completes.
    account->signIn();
    wait(CloudAccount::signInLifetime - 1);
    account->handleCallback("kelvra://auth?code=code-1&state=" + openedItem("state"));
    wait(1);
    EXPECT_EQ(account->state(), State::signedIn("ann@example.org", "pro"));
}

TEST_F(CloudTest, TheMatchingCallbackExchangesOnceWithTheVerifierAndSignsIn) {
    makeAccount();
    account->signIn();
    std::string challenge = openedItem("challenge");
    std::string url = "kelvra://auth?code=code-1&state=" + openedItem("state");
    account->handleCallback(url);
    account->handleCallback(url);  // replayed: the pending sign-in is gone
    wait(1);

    ASSERT_EQ(desktop.http().requests().size(), 1u);
    EXPECT_EQ(desktop.http().requests()[0].url, "https://sync.kelvra.app/api/app/token");
    EXPECT_EQ(FakeService::header(desktop.http().requests()[0], "Authorization"), "");
    std::string verifier = service.lastTokenBody.at("verifier");
    EXPECT_EQ(verifier.size(), 43u);
    EXPECT_EQ(proofKeyChallenge(verifier), challenge);
    std::string deviceId = service.lastTokenBody.at("deviceId");
    EXPECT_EQ(deviceId, desktop.secrets().items().at("cloudDeviceID"));
    EXPECT_TRUE(deviceId.size() == 36 && std::ranges::none_of(deviceId, ::islower)) << deviceId;

    EXPECT_EQ(account->state(), State::signedIn("ann@example.org", "pro"));
    EXPECT_EQ(desktop.secrets().items().at("cloudToken"), service.token);
    // The secrets reach neither the log nor the settings.
    for (const auto& line : desktop.logLines())
        EXPECT_TRUE(line.find(service.token) == line.npos && line.find(verifier) == line.npos)
            << line;
}

TEST_F(CloudTest, ForgedOrMalformedCallbacksAreIgnoredAndTheRightOneStillWorks) {
    makeAccount();
    account->handleCallback("kelvra://auth?code=code-1&state=nothing-pending");
    account->signIn();
    std::string state = openedItem("state");
    for (const std::string& url :
         {"kelvra://auth?code=code-1&state=" + state + "x",
          std::string("kelvra://auth?code=code-1&state="),
          "kelvra://login?code=code-1&state=" + state, "kelvra://AUTH?code=code-1&state=" + state,
          "kelvra://auth?state=" + state, std::string("kelvra://auth?code=code-1"),
          "kelvra://auth?code=%zz&state=" + state, "kelvra:auth?code=code-1&state=" + state})
        account->handleCallback(url);
    wait(1);
    EXPECT_TRUE(desktop.http().requests().empty());
    EXPECT_TRUE(account->signInPending());

    account->handleCallback("kelvra://auth?code=code%2D1&state=" + state + "#fragment");
    wait(1);
    EXPECT_EQ(account->state(), State::signedIn("ann@example.org", "pro"));
}

TEST_F(CloudTest, AFailedExchangeSignsOutAndKeepsNoToken) {
    struct Case {
        const char* name;
        port::HttpResponse answer;
        State expected;
    };
    const Case cases[] = {
        {"only a token", FakeService::reply(200, {{"token", "t"}}), State::signedIn("", "free")},
        {"no token", FakeService::reply(200, {{"email", "a@b"}}), State::signedOut()},
        {"token not a string", FakeService::reply(200, {{"token", 5}}), State::signedOut()},
        {"garbage", {200, {}, "<html>oops", {}}, State::signedOut()},
        {"server error", FakeService::reply(503, {}), State::signedOut()},
        {"refused code", FakeService::reply(401, {}), State::signedOut()},
        {"service down", {0, {}, {}, "Could not connect to server"}, State::signedOut()},
        {"timeout", {0, {}, {}, "Timeout was reached"}, State::signedOut()},
        {"huge answer", {0, {}, {}, "the answer is larger than 8388608 bytes"}, State::signedOut()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop.secrets().remove("cloudToken");
        makeAccount();
        service.fault = [&](const port::HttpRequest&) { return c.answer; };
        signInThroughBrowser();
        EXPECT_EQ(account->state(), c.expected);
        EXPECT_EQ(desktop.secrets().items().count("cloudToken"), c.expected.isSignedIn() ? 1u : 0u);
    }
}

TEST_F(CloudTest, AStoredTokenSignsInAtOnceAndStartRefreshesTheAccount) {
    struct Case {
        const char* name;
        std::optional<port::HttpResponse> answer;  // none: the service answers
        State expected;
        bool tokenKept;
    };
    const State stored = State::signedIn("old@example.org", "free");
    const Case cases[] = {
        {"fresh account", std::nullopt, State::signedIn("ann@example.org", "pro"), true},
        {"empty object", FakeService::reply(200, nlohmann::json::object()),
         State::signedIn("", "free"), true},
        {"garbage", port::HttpResponse{200, {}, "[1,2", {}}, State::signedIn("", "free"), true},
        {"server error", FakeService::reply(500, {}), stored, true},
        {"offline", port::HttpResponse{0, {}, {}, "Could not resolve host"}, stored, true},
        {"token revoked", FakeService::reply(401, {}), State::signedOut(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        storeToken();
        makeAccount();
        EXPECT_EQ(account->state(), stored);
        service.fault = [&](const port::HttpRequest&) { return c.answer; };
        account->start();
        wait(1);
        EXPECT_EQ(account->state(), c.expected);
        EXPECT_EQ(desktop.secrets().items().count("cloudToken"), c.tokenKept ? 1u : 0u);
    }
}

TEST_F(CloudTest, ARefreshAnsweredAfterSignOutChangesNothing) {
    storeToken();
    makeAccount();
    account->start();
    account->signOut();
    wait(1);
    EXPECT_EQ(account->state(), State::signedOut());
}

TEST_F(CloudTest, SignOutForgetsTheAccountAtOnceEvenOffline) {
    for (bool online : {true, false}) {
        SCOPED_TRACE(online ? "online" : "offline");
        storeToken();
        std::string error;
        desktop.secrets().store("cloudDeviceID", "DEVICE", error);
        makeAccount();
        desktop.http().clearRequests();
        service.fault = [online](const port::HttpRequest&) {
            return online ? std::nullopt
                          : std::optional(port::HttpResponse{0, {}, {}, "Network is unreachable"});
        };
        account->signOut();
        EXPECT_EQ(account->state(), State::signedOut());
        EXPECT_EQ(desktop.secrets().items(),
                  (std::map<std::string, std::string>{{"cloudDeviceID", "DEVICE"}}));
        wait(1);
        ASSERT_EQ(desktop.http().requests().size(), 1u);
        const auto& logout = desktop.http().requests()[0];
        EXPECT_EQ(std::pair(logout.url, FakeService::header(logout, "Authorization")),
                  std::pair("https://sync.kelvra.app/api/app/logout"s, "Bearer " + service.token));
        EXPECT_EQ(account->state(), State::signedOut());
    }
}

TEST_F(CloudTest, WithoutASecretStoreSigningInFailsClearlyAndWritesNothing) {
    // Missing from the start: no browser round trip at all.
    desktop.secrets().setAvailable(false);
    makeAccount();
    account->signIn();
    EXPECT_EQ(account->state(), State::noSecretStore());
    EXPECT_TRUE(desktop.browser().opened().empty());

    // Gone by the time the browser comes back: the code is not even exchanged.
    desktop.secrets().setAvailable(true);
    account->signIn();
    EXPECT_EQ(account->state(), State::signedOut());
    desktop.secrets().setAvailable(false);
    account->handleCallback("kelvra://auth?code=code-1&state=" + openedItem("state"));
    wait(1);
    EXPECT_EQ(account->state(), State::noSecretStore());
    EXPECT_TRUE(desktop.http().requests().empty());
    desktop.secrets().setAvailable(true);
    EXPECT_TRUE(desktop.secrets().items().empty());
}

}  // namespace
}  // namespace kelvra::test
