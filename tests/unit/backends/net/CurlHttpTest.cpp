// CurlHttp against a real HTTP server on the loopback interface.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

#include <unistd.h>

#include "backends/net/CurlHttp.h"
#include "backends/sim/VirtualRunLoop.h"

namespace kelvra::test {
namespace {

using namespace std::chrono_literals;

class CurlHttpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server.Get("/json", [](const httplib::Request& req, httplib::Response& res) {
            res.set_header("X-Seen-Authorization", req.get_header_value("Authorization"));
            res.set_content(R"({"ok":true})", "application/json");
        });
        server.Put("/echo", [](const httplib::Request& req, httplib::Response& res) {
            res.status = 409;
            res.set_content(req.body, "application/json");
        });
        server.Get("/big", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(64 * 1024, 'x'), "text/plain");
        });
        // No length announced: the limit has to be found while reading.
        server.Get("/stream", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain",
                                             [](size_t offset, httplib::DataSink& sink) {
                                                 std::string chunk(8 * 1024, 'y');
                                                 sink.write(chunk.data(), chunk.size());
                                                 if (offset > 256 * 1024) sink.done();
                                                 return true;
                                             });
        });
        server.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            for (int i = 0; i < 100 && !stopping; ++i) std::this_thread::sleep_for(10ms);
            res.set_content("late", "text/plain");
        });
        port = server.bind_to_any_port("127.0.0.1");
        ASSERT_GT(port, 0);
        thread = std::thread([this] { server.listen_after_bind(); });
    }

    void TearDown() override {
        stopping = true;
        http.reset();
        server.stop();
        thread.join();
    }

    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }

    static port::HttpRequest request(std::string method, std::string to, double timeout = 30,
                                     size_t maxBytes = size_t{8} << 20) {
        port::HttpRequest r;
        r.method = std::move(method);
        r.url = std::move(to);
        r.timeoutSeconds = timeout;
        r.maxResponseBytes = maxBytes;
        return r;
    }

    // Sends and runs the loop until the answer arrives (real network: a real wait).
    port::HttpResponse fetch(port::HttpRequest request) {
        std::optional<port::HttpResponse> answer;
        http->send(std::move(request), [&](port::HttpResponse r) { answer = std::move(r); });
        auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!answer && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(2ms);
            loop.runPending();
        }
        EXPECT_TRUE(answer) << "no answer within 10 s";
        return answer.value_or(port::HttpResponse{});
    }

    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::atomic<bool> stopping = false;
    sim::VirtualRunLoop loop;
    std::unique_ptr<net::CurlHttp> http = std::make_unique<net::CurlHttp>(loop);
};

TEST_F(CurlHttpTest, AnswersStatusesBodiesAndHeadersOnTheRunLoop) {
    auto get = request("GET", url("/json"));
    get.headers = {{"Authorization", "Bearer t"}};
    uint64_t progressed = 0;
    get.progress = [&](uint64_t received, uint64_t) { progressed = received; };
    auto answer = fetch(get);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, R"({"ok":true})");
    EXPECT_EQ(answer.header("x-seen-authorization"), "Bearer t");
    EXPECT_EQ(answer.header("Content-Type"), "application/json");
    EXPECT_TRUE(answer.error.empty());
    loop.runPending();
    EXPECT_EQ(progressed, answer.body.size());

    auto put = request("PUT", url("/echo"));
    put.body = R"({"blob":"b"})";
    auto refused = fetch(put);
    EXPECT_EQ(refused.status, 409) << "a refusal is an answer, not an error";
    EXPECT_EQ(refused.body, R"({"blob":"b"})");
}

TEST_F(CurlHttpTest, FailuresArriveAsErrorsWithoutAStatus) {
    struct Case {
        const char* name;
        port::HttpRequest request;
        const char* errorPart;
    };
    const Case cases[] = {
        {"announced too large", request("GET", url("/big"), 30, 1024), "larger than"},
        {"streamed too large", request("GET", url("/stream"), 30, 100 * 1024), "larger than"},
        {"timeout", request("GET", url("/slow"), 0.2), ""},
        {"nobody listens", request("GET", "http://127.0.0.1:1/"), ""},
        {"not ours to speak", request("GET", "file:///etc/passwd"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto answer = fetch(c.request);
        EXPECT_EQ(answer.status, 0);
        EXPECT_TRUE(answer.body.empty());
        EXPECT_NE(answer.error.find(c.errorPart), std::string::npos) << answer.error;
        EXPECT_FALSE(answer.error.empty());
    }
}

TEST_F(CurlHttpTest, DestructionAbandonsRunningTransfersAtOnce) {
    bool answered = false;
    http->send(request("GET", url("/slow")), [&](port::HttpResponse) { answered = true; });
    std::this_thread::sleep_for(50ms);
    auto start = std::chrono::steady_clock::now();
    http.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    loop.runPending();
    EXPECT_FALSE(answered);
}

// A server whose certificate nobody vouches for: the answer must never be read.
TEST_F(CurlHttpTest, RefusesAnHttpsServerWithAnUntrustedCertificate) {
    auto dir =
        std::filesystem::temp_directory_path() / ("kelvra-tls-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string cert = (dir / "cert.pem").string();
    std::string key = (dir / "key.pem").string();
    std::string make =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
        "-addext subjectAltName=IP:127.0.0.1 -keyout " +
        key + " -out " + cert + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(make.c_str()), 0);
    httplib::SSLServer tls(cert.c_str(), key.c_str());
    ASSERT_TRUE(tls.is_valid());
    tls.Get("/json", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"ok":true})", "application/json");
    });
    int tlsPort = tls.bind_to_any_port("127.0.0.1");
    std::thread tlsThread([&] { tls.listen_after_bind(); });

    auto answer = fetch(request("GET", "https://127.0.0.1:" + std::to_string(tlsPort) + "/json"));
    EXPECT_EQ(answer.status, 0);
    EXPECT_TRUE(answer.body.empty());
    EXPECT_NE(answer.error.find("certificate"), std::string::npos) << answer.error;

    tls.stop();
    tlsThread.join();
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kelvra::test
