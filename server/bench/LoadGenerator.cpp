// kelvra-server-load: the load generator of `make bench-server`.
//   kelvra-server-load setup (--data DIR | --database-file FILE) ACCOUNTS
//       adds ACCOUNTS accounts, each with the token "bench-token-<i>"
//   kelvra-server-load run PORT[,PORT...] download|upload CONNECTIONS SECONDS ACCOUNTS
//       keeps CONNECTIONS connections busy (connection i speaks for account i % ACCOUNTS
//       to port i % PORTS) and prints requests per second and latency percentiles.
//       Uploads send the version they last saw; at the end every account's version
//       must equal its accepted uploads (no update lost between servers).
#include <algorithm>
#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "Crypto.h"
#include "KelvraServer.h"
#include "PostgresStore.h"
#include "SqliteStore.h"

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using nlohmann::json;

std::string tokenOf(int account) {
    return "bench-token-" + std::to_string(account);
}

int setup(const std::string& where, const std::string& place, int accounts) {
    std::unique_ptr<kelvra::server::Store> store;
    if (where == "--data") {
        store = kelvra::server::openSqliteStore(place);
    } else {
        std::ifstream in(place);
        std::string url;
        std::getline(in, url);
        store = kelvra::server::openPostgresStore(url);
    }
    auto now = kelvra::server::systemClock()() / 1000;
    for (int i = 0; i < accounts; ++i) {
        std::string email = "bench-" + std::to_string(i) + "@example.org";
        kelvra::server::addUser(*store, email, "pw", 1);
        auto id = store->accountByEmail(email)->id;
        store->addToken(kelvra::server::sha256Hex(tokenOf(i)), id, "BENCH", now);
    }
    return 0;
}

struct Totals {
    std::vector<double> latenciesMs;
    long accepted = 0, conflicts = 0, errors = 0;
    std::vector<long> acceptedPerAccount;
};

class Connection : public std::enable_shared_from_this<Connection> {
  public:
    Connection(asio::io_context& io, tcp::endpoint to, int account, bool upload,
               Clock::time_point end, Totals& totals)
        : stream_(io), to_(to), account_(account), upload_(upload), end_(end), totals_(totals) {}

    void start() {
        stream_.async_connect(to_, [self = shared_from_this()](beast::error_code ec) {
            if (ec) return ++self->totals_.errors, void();
            self->next(false);
        });
    }

  private:
    void next(bool put) {
        if (Clock::now() >= end_) return;
        request_ = {};
        request_.version(11);
        request_.target("/api/sync/kelvra");
        request_.set(http::field::host, "bench");
        request_.set(http::field::authorization, "Bearer " + tokenOf(account_));
        if (put) {
            request_.method(http::verb::put);
            request_.set(http::field::content_type, "application/json");
            request_.body() = json{
                {"blob", std::string(200, 'b')},
                {"baseVersion", version_},
                {"deviceId",
                 "BENCH"}}.dump();
        } else {
            request_.method(http::verb::get);
        }
        request_.prepare_payload();
        put_ = put;
        sent_ = Clock::now();
        http::async_write(stream_, request_,
                          [self = shared_from_this()](beast::error_code ec, std::size_t) {
                              if (ec) return ++self->totals_.errors, void();
                              self->read();
                          });
    }
    void read() {
        response_ = {};
        http::async_read(stream_, buffer_, response_,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) {
                             self->onResponse(ec);
                         });
    }
    void onResponse(beast::error_code ec) {
        if (ec) return ++totals_.errors, void();
        auto status = response_.result_int();
        if (status != 200 && status != 409) return ++totals_.errors, void();
        // The first request of an upload run only learns the version.
        if (!upload_ || put_) {
            totals_.latenciesMs.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - sent_).count());
        }
        auto body = json::parse(response_.body(), nullptr, false);
        if (body.is_object() && body.contains("version")) version_ = body["version"].get<long>();
        if (put_ && status == 200) {
            ++totals_.accepted;
            ++totals_.acceptedPerAccount[static_cast<std::size_t>(account_)];
        }
        if (status == 409) ++totals_.conflicts;
        next(upload_);
    }

    beast::tcp_stream stream_;
    tcp::endpoint to_;
    int account_;
    bool upload_;
    bool put_ = false;
    long version_ = 0;
    Clock::time_point end_;
    Clock::time_point sent_;
    Totals& totals_;
    beast::flat_buffer buffer_;
    http::request<http::string_body> request_;
    http::response<http::string_body> response_;
};

long versionOf(tcp::endpoint to, int account) {
    asio::io_context io;
    beast::tcp_stream stream(io);
    stream.connect(to);
    http::request<http::string_body> req{http::verb::get, "/api/sync/kelvra", 11};
    req.set(http::field::host, "bench");
    req.set(http::field::authorization, "Bearer " + tokenOf(account));
    http::write(stream, req);
    beast::flat_buffer buffer;
    http::response<http::string_body> res;
    http::read(stream, buffer, res);
    auto body = json::parse(res.body(), nullptr, false);
    return body.is_object() ? body.value("version", 0L) : -1;
}

int run(const std::string& ports, bool upload, int connections, int seconds, int accounts) {
    std::vector<tcp::endpoint> servers;
    std::stringstream in(ports);
    for (std::string port; std::getline(in, port, ',');) {
        servers.emplace_back(asio::ip::make_address("127.0.0.1"),
                             static_cast<unsigned short>(std::stoi(port)));
    }
    std::vector<long> before;
    if (upload) {
        for (int a = 0; a < accounts; ++a) before.push_back(versionOf(servers[0], a));
    }
    asio::io_context io(1);
    Totals totals;
    totals.acceptedPerAccount.assign(static_cast<std::size_t>(accounts), 0);
    auto start = Clock::now();
    auto end = start + std::chrono::seconds(seconds);
    for (int i = 0; i < connections; ++i) {
        std::make_shared<Connection>(io, servers[static_cast<std::size_t>(i) % servers.size()],
                                     i % accounts, upload, end, totals)
            ->start();
    }
    io.run();
    double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    auto& l = totals.latenciesMs;
    std::sort(l.begin(), l.end());
    auto pct = [&](double p) {
        return l.empty() ? 0.0 : l[std::min(l.size() - 1, static_cast<std::size_t>(p * l.size()))];
    };
    std::printf(
        "%s: %d connections, %zu server(s), %.1f s: %zu requests, %.0f/s, p50 %.1f ms, "
        "p99 %.1f ms, accepted uploads %ld (%.0f/s), conflicts %ld, errors %ld",
        upload ? "upload" : "download", connections, servers.size(), elapsed, l.size(),
        static_cast<double>(l.size()) / elapsed, pct(0.5), pct(0.99), totals.accepted,
        static_cast<double>(totals.accepted) / elapsed, totals.conflicts, totals.errors);
    long lost = 0;
    if (upload) {
        for (int a = 0; a < accounts; ++a) {
            long expected = before[static_cast<std::size_t>(a)] +
                            totals.acceptedPerAccount[static_cast<std::size_t>(a)];
            lost += std::abs(versionOf(servers.back(), a) - expected);
        }
        std::printf(", lost updates %ld", lost);
    }
    std::printf("\n");
    return totals.errors == 0 && lost == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 4 && args[0] == "setup")
            return setup(args[1], args[2], std::stoi(args[3]));
        if (args.size() == 6 && args[0] == "run") {
            return run(args[1], args[2] == "upload", std::stoi(args[3]), std::stoi(args[4]),
                       std::stoi(args[5]));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kelvra-server-load: %s\n", e.what());
        return 1;
    }
    std::fputs("usage: see the comment at the top of LoadGenerator.cpp\n", stderr);
    return 2;
}
