// What one client can make the service spend before any handler runs: endless bodies,
// trickled headers, many connections. Each case talks raw HTTP on a loopback port and
// checks that an ordinary request is still answered meanwhile.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <future>

#include "ProtocolFixture.h"

namespace kelvra::server::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Resident memory of this process (the server runs inside it), in bytes.
std::size_t residentBytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            std::size_t kb = 0;
            status >> kb;
            return kb * 1024;
        }
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

// A raw client connection: writes what a test says and reads what comes back.
class Raw {
  public:
    explicit Raw(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        timeval tv{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    }
    ~Raw() { ::close(fd_); }
    bool connected() const { return connected_; }
    bool send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    // Everything until the server closes (or 5 s pass without a byte).
    std::string readAll() {
        std::string out;
        char buf[4096];
        ssize_t n;
        while ((n = ::recv(fd_, buf, sizeof buf, 0)) > 0)
            out.append(buf, static_cast<std::size_t>(n));
        return out;
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
};

// A server on SQLite; each case starts it again with the limits it tries.
class HttpLimitsTest : public ProtocolTest {
  protected:
    // Time an ordinary request takes; it must be answered (401: not signed in).
    Clock::duration ordinaryRequest() {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(10, 0);
        auto begin = Clock::now();
        auto res = client.Get("/api/me");
        auto took = Clock::now() - begin;
        EXPECT_TRUE(res && res->status == 401);
        return took;
    }
    // Sends `head` then `chunk` over and over until the server stops reading or
    // `total` bytes went; returns what the server answered.
    std::string flood(const std::string& head, const std::string& chunk, std::size_t total) {
        Raw raw(port_);
        EXPECT_TRUE(raw.connected());
        raw.send(head);
        for (std::size_t sent = 0; sent < total && raw.send(chunk); sent += chunk.size()) {
        }
        return raw.readAll();
    }
};

TEST_P(HttpLimitsTest, EndlessBodiesAreCutOffWithoutGrowingMemory) {
    std::string chunk = "1000\r\n" + std::string(0x1000, 'x') + "\r\n";
    struct Attack {
        std::string head;
        std::string chunk;
        std::string status;
    };
    for (const Attack& attack :
         {Attack{"POST /api/crash HTTP/1.1\r\nHost: a\r\nTransfer-Encoding: chunked\r\n\r\n", chunk,
                 "HTTP/1.1 413"},
          Attack{"PUT /api/sync/kelvra HTTP/1.1\r\nHost: a\r\n\r\n", std::string(1 << 16, 'x'),
                 "HTTP/1.1 411"}}) {
        std::size_t before = residentBytes();
        auto answer = std::async(std::launch::async,
                                 [&] { return flood(attack.head, attack.chunk, 64 << 20); });
        EXPECT_LT(ordinaryRequest(), 1s) << attack.head;
        std::string reply = answer.get();
        EXPECT_EQ(reply.rfind(attack.status, 0), 0u) << reply;
        EXPECT_NE(reply.find("Connection: close"), std::string::npos) << reply;
        EXPECT_LT(residentBytes(), before + (16 << 20)) << attack.head;
    }
}

TEST_P(HttpLimitsTest, SlowHeadersNeitherBlockOthersNorStayForever) {
    restartWith([](ServerOptions& o) { o.http.headerTimeout = 500ms; });
    std::vector<std::unique_ptr<Raw>> slow;
    for (int i = 0; i < 64; ++i) {
        slow.push_back(std::make_unique<Raw>(port_));
        ASSERT_TRUE(slow.back()->send("GET /api/me HTTP/1.1\r\nHost: a\r\nX-Wait: "));
    }
    EXPECT_LT(ordinaryRequest(), 1s);
    // Trickling on does not help: the time counts from the connection's start.
    ASSERT_TRUE(slow.front()->send("a"));
    auto begin = Clock::now();
    EXPECT_EQ(slow.front()->readAll(), "") << "closed without an answer";
    EXPECT_LT(Clock::now() - begin, 2s);
}

TEST_P(HttpLimitsTest, OversizedHeadersAndStalledBodiesAreRefused) {
    restartWith([](ServerOptions& o) { o.http.bodyTimeout = 300ms; });
    Raw big(port_);
    big.send("GET /api/me HTTP/1.1\r\nHost: a\r\nX-Pad: " + std::string(20 << 10, 'p') +
             "\r\n\r\n");
    EXPECT_EQ(big.readAll().rfind("HTTP/1.1 431", 0), 0u);
    Raw stalled(port_);
    stalled.send("POST /api/crash HTTP/1.1\r\nHost: a\r\nContent-Length: 10\r\n\r\n{\"");
    auto begin = Clock::now();
    EXPECT_EQ(stalled.readAll(), "") << "closed at the deadline";
    EXPECT_LT(Clock::now() - begin, 2s);
}

TEST_P(HttpLimitsTest, ConnectionsAreCappedPerAddress) {
    restartWith([](ServerOptions& o) { o.http.maxConnectionsPerAddress = 2; });
    Raw first(port_), second(port_);
    ASSERT_TRUE(first.send("GET /api/me HTTP/1.1\r\nHost: a\r\n"));
    ASSERT_TRUE(second.send("GET /api/me HTTP/1.1\r\nHost: a\r\n"));
    Raw third(port_);
    std::string reply = third.readAll();
    EXPECT_EQ(reply.rfind("HTTP/1.1 503", 0), 0u) << reply;
    EXPECT_NE(reply.find("Connection: close"), std::string::npos);
}

TEST_P(HttpLimitsTest, ATrustedProxyIsHeldToTheOverallCapOnly) {
    restartWith([](ServerOptions& o) {
        o.http.maxConnectionsPerAddress = 1;
        o.http.maxConnections = 3;
        o.trustedProxies = {"127.0.0.1"};
    });
    std::vector<std::unique_ptr<Raw>> held;
    for (int i = 0; i < 3; ++i) {
        held.push_back(std::make_unique<Raw>(port_));
        ASSERT_TRUE(held.back()->send("GET /api/me HTTP/1.1\r\nHost: a\r\n"));
    }
    Raw fourth(port_);
    EXPECT_EQ(fourth.readAll().rfind("HTTP/1.1 503", 0), 0u);
}

TEST_P(HttpLimitsTest, EarlyRefusalsCloseTheConnectionInsteadOfReadingTheBodyAsARequest) {
    Raw raw(port_);
    std::string smuggled = "GET /api/me HTTP/1.1\r\nHost: a\r\n\r\n";
    std::string body = smuggled + std::string((300 << 10) - smuggled.size(), ' ');
    raw.send("POST /api/crash HTTP/1.1\r\nHost: a\r\nContent-Length: " +
             std::to_string(body.size()) + "\r\n\r\n" + body);
    std::string reply = raw.readAll();
    EXPECT_EQ(reply.rfind("HTTP/1.1 413", 0), 0u) << reply;
    EXPECT_NE(reply.find("Connection: close"), std::string::npos);
    EXPECT_EQ(reply.find("HTTP/1.1 401"), std::string::npos) << "the body was not a request";
}

TEST_P(HttpLimitsTest, DeeplyNestedJsonIsRefusedCheaply) {
    store_->addToken(sha256Hex("T"), store_->accountByEmail(kEmail)->id, "D", nowMs_ / 1000);
    httplib::Client client("127.0.0.1", port_);
    std::size_t before = residentBytes();
    std::string nested(1 << 20, '[');
    auto token = client.Post("/api/app/token", nested, "application/json");
    ASSERT_TRUE(token);
    EXPECT_EQ(token->status, 413) << "sign-in bodies are small";
    auto upload =
        client.Put("/api/sync/kelvra", {{"Authorization", "Bearer T"}}, nested, "application/json");
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->status, 400);
    EXPECT_LT(residentBytes(), before + (32 << 20));
}

INSTANTIATE_TEST_SUITE_P(Sqlite, HttpLimitsTest, ::testing::Values("sqlite"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kelvra::server::test
