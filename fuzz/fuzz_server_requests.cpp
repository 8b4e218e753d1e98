// Feeds arbitrary bytes to a running kelvra-server as one client connection: the whole
// request path (HTTP parsing, the limits, routing, the gate, the handlers, the store)
// sees what any client on the network can send. The server must answer with an HTTP
// status line or close, never crash, and must still answer the next connection.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "Crypto.h"
#include "KelvraServer.h"
#include "SqliteStore.h"

namespace {

using namespace kelvra::server;

// One server for the whole run, with an account whose token the corpus uses
// ("Authorization: Bearer fuzz-token"), and limits that never throttle the fuzzer.
struct Running {
    Running() {
        char pattern[] = "/tmp/kelvra-fuzz-XXXXXX";
        dir = mkdtemp(pattern);
        store = openSqliteStore(dir / "data");
        addUser(*store, "fuzz@example.org", "fuzz", 1);
        store->addToken(sha256Hex("fuzz-token"), store->accountByEmail("fuzz@example.org")->id,
                        "FUZZ", systemClock()() / 1000);
        ServerOptions options;
        options.rateBurst = options.accountBurst = options.signInBurst = 1e12;
        options.crashBurst = options.crashTotalBurst = 1e12;
        options.signInFreeFailures = 1 << 30;
        options.crashRetentionBytes = 1 << 20;  // a long run stores many reports
        options.http.headerTimeout = std::chrono::milliseconds(200);
        options.http.bodyTimeout = std::chrono::milliseconds(200);
        server = std::make_unique<KelvraServer>(*store, options);
        port = server->bind("127.0.0.1", 0);
        if (port <= 0) std::abort();
        thread = std::thread([this] { server->run(); });
    }
    std::filesystem::path dir;
    std::unique_ptr<Store> store;
    std::unique_ptr<KelvraServer> server;
    std::thread thread;
    int port = 0;
};

// Sends `bytes`, ends the sending side and reads until the server closes.
std::string exchange(int port, std::string_view bytes) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) std::abort();
    timeval tv{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    while (!bytes.empty()) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) break;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    ::shutdown(fd, SHUT_WR);
    std::string reply;
    char buf[4096];
    ssize_t n;
    while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0) reply.append(buf, static_cast<std::size_t>(n));
    bool timedOut = n < 0;
    ::close(fd);
    // Everything the input can hold is bounded by the timeouts above: a connection
    // that stays open past them is a fault.
    if (timedOut) std::abort();
    return reply;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Running* running = new Running();
    std::string reply = exchange(running->port, {reinterpret_cast<const char*>(data), size});
    if (!reply.empty() && reply.rfind("HTTP/1.1 ", 0) != 0) std::abort();
    // Still serving.
    if (exchange(running->port, "GET /api/me HTTP/1.1\r\nHost: f\r\n\r\n")
            .rfind("HTTP/1.1 401", 0) != 0) {
        std::abort();
    }
    return 0;
}
