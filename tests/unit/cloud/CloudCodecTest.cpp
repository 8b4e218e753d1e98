#include <gtest/gtest.h>

#include "cloud/ProofKey.h"
#include "cloud/ServiceRequest.h"
#include "cloud/ServiceURL.h"
#include "cloud/SignInCallback.h"

namespace kelvra::test {
namespace {

TEST(ServiceURL, AcceptsHttpsAndPlainHttpOnlyToThisComputer) {
    struct Case {
        const char* url;
        bool acceptable;
    };
    const Case cases[] = {
        {"https://sync.kelvra.app", true},
        {"HTTPS://Sync.Example.org:8443/base/", true},
        {"http://127.0.0.1:8080", true},
        {"http://127.3.4.5", true},
        {"http://localhost:9000/", true},
        {"http://[::1]:8080", true},
        {"http://user@localhost", true},
        {"http://example.org", false},
        {"http://127.0.0.1.example.org", false},
        {"http://localhost.example.org", false},
        {"http://example.org@", false},
        {"ftp://localhost", false},
        {"sync.kelvra.app", false},
        {"https://", false},
        {"https:///path", false},
        {"", false},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_EQ(isAcceptableServiceURL(c.url, why), c.acceptable) << c.url;
        EXPECT_EQ(why.empty(), c.acceptable) << c.url;
    }
}

TEST(ProofKey, FollowsTheS256MethodAndTheUrlSafeAlphabet) {
    // The worked example of RFC 7636, appendix B.
    EXPECT_EQ(proofKeyChallenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    const unsigned char bytes[] = {0xfb, 0xff, 0xbf};
    EXPECT_EQ(base64URL(bytes, 3), "-_-_");
    EXPECT_EQ(base64URL(bytes, 1), "-w");
    EXPECT_NE(randomURLBase64(32), randomURLBase64(32));
}

TEST(SignInCallback, TakesTheFirstCodeAndStateDecoded) {
    struct Case {
        const char* url;
        std::optional<std::pair<std::string, std::string>> expected;
    };
    const Case cases[] = {
        {"kelvra://auth?code=a&state=b", {{"a", "b"}}},
        {"kelvra://auth/?state=b&x=1&code=a%20c", {{"a c", "b"}}},
        {"kelvra://auth?code=a&code=z&state=b&state=y", {{"a", "b"}}},
        {"kelvra://auth?code=a+b&state=", {{"a+b", ""}}},
        {"other://auth?code=a&state=b#x", {{"a", "b"}}},
        {"kelvra://auth?code=a", std::nullopt},
        {"kelvra://auth", std::nullopt},
        {"kelvra://auth.example?code=a&state=b", std::nullopt},
        {"kelvra://user@auth?code=a&state=b", std::nullopt},
        {"kelvra://auth?code=%4&state=b", std::nullopt},
        {"kelvra://auth?code=a&state=b%", std::nullopt},
        {"kelvra:/auth?code=a&state=b", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        auto parsed = parseSignInCallback(c.url);
        ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << c.url;
        if (!parsed) continue;
        EXPECT_EQ(parsed->code, c.expected->first) << c.url;
        EXPECT_EQ(parsed->state, c.expected->second) << c.url;
    }
    EXPECT_EQ(connectPageURL("https://s", "c-_", "a b"),
              "https://s/app/connect?app=kelvra&challenge=c-_&state=a%20b");
}

// Garbage answers and conflicts reach the account and sync tests through the fake
// service; here the cases those do not make.
TEST(ServiceReply, TreatsAnythingButAJsonObjectAsEmpty) {
    struct Case {
        port::HttpResponse response;
        int status;
        nlohmann::json object;
        bool failed;
    };
    const Case cases[] = {
        {{201, {}, "[1,2]", {}}, 201, nlohmann::json::object(), false},
        {{200, {}, std::string(100, '[') + std::string(100, ']'), {}},
         200,
         nlohmann::json::object(),
         false},
        {{409, {}, R"({"version":3})", {}}, 409, nlohmann::json::object(), true},
        {{0, {}, {}, {}}, 0, nlohmann::json::object(), true},
    };
    for (const auto& c : cases) {
        auto reply = decodeServiceReply(c.response);
        EXPECT_EQ(reply.status, c.status) << c.response.body;
        EXPECT_EQ(reply.object, c.object) << c.response.body;
        EXPECT_EQ(!reply.ok(), c.failed) << c.response.body;
        if (c.status == 0) {
            EXPECT_FALSE(reply.error.empty());
        }
    }
}

// Headers are checked by the fake service in the account and sync tests.
TEST(ServiceRequest, CarriesTheLimitsAndRefusesTextThatIsNotUtf8) {
    auto get = makeServiceRequest("https://s", {"GET", "me", "tok", std::nullopt});
    ASSERT_TRUE(get);
    EXPECT_EQ(get->url, "https://s/api/me");
    EXPECT_EQ(get->timeoutSeconds, 60);
    EXPECT_EQ(get->maxResponseBytes, maxServiceReplyBytes);
    // Text that is not UTF-8 cannot be sent as JSON: nothing is sent.
    EXPECT_FALSE(makeServiceRequest("https://s",
                                    {"PUT", "sync/kelvra", "t", nlohmann::json{{"blob", "\xff"}}}));
}

}  // namespace
}  // namespace kelvra::test
