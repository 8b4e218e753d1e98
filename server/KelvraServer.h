#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "HttpServer.h"
#include "RateLimiter.h"
#include "SignInGuard.h"
#include "Store.h"
#include "WorkQueue.h"

namespace kelvra::server {

// Milliseconds since the Unix epoch. The system clock by default; tests set their own.
using Clock = std::function<std::int64_t()>;
Clock systemClock();

struct ServerOptions {
    std::size_t syncBodyLimit = 1 << 20;     // PUT /api/sync/kelvra
    std::size_t crashBodyLimit = 256 << 10;  // POST /api/crash
    std::size_t formBodyLimit = 64 << 10;    // sign-in, token exchange, sign-out
    // Requests without a valid token, per client address: `rateBurst` at once,
    // refilled at `ratePerSecond`.
    double rateBurst = 60;
    double ratePerSecond = 2;
    // Requests with a valid token, per account: a team behind one address does not
    // throttle itself.
    double accountBurst = 120;
    double accountPerSecond = 10;
    // Each password check costs a deliberate 0.3 s of processor time: sign-in attempts
    // have a tighter budget of their own per address (per /64 for IPv6), and failures
    // bring growing waits per address and per account.
    double signInBurst = 10;
    double signInPerSecond = 0.2;
    int signInFreeFailures = 3;
    std::int64_t signInFirstDelayMs = 1000;
    std::int64_t signInMaxDelayMs = 15 * 60 * 1000;
    // Password checks run on `passwordThreads` threads; past `passwordQueue` waiting
    // checks a sign-in is refused with 429.
    unsigned passwordThreads = 1;
    std::size_t passwordQueue = 16;
    std::int64_t codeLifetimeSeconds = 300;
    // A token unused for this long stops working; each use moves the end on.
    std::int64_t tokenLifetimeSeconds = 90 * 24 * 3600;
    // Crash reports need no account: per address `crashBurst` at once refilled at
    // `crashPerHour`, and all addresses together `crashTotalBurst` / `crashTotalPerHour`.
    // Kept for `crashRetentionSeconds`, at most `crashRetentionBytes` (oldest go first).
    double crashBurst = 10;
    double crashPerHour = 10;
    double crashTotalBurst = 200;
    double crashTotalPerHour = 2000;
    std::int64_t crashRetentionSeconds = 30 * 24 * 3600;
    std::int64_t crashRetentionBytes = 512 << 20;
    HttpLimits http;
    // Behind a reverse proxy every request comes from the proxy: for requests from
    // these addresses the client's address is taken from X-Forwarded-For (the last
    // entry the proxies did not add) or X-Real-IP. Anyone else's are ignored.
    std::vector<std::string> trustedProxies;
    Clock clock = systemClock();
};

// The HTTP service: the connect page, the account API, settings sync and crash
// reports, on one Store.
class KelvraServer {
  public:
    KelvraServer(Store& store, ServerOptions options = {});
    ~KelvraServer();
    KelvraServer(const KelvraServer&) = delete;
    KelvraServer& operator=(const KelvraServer&) = delete;

    // Binds the listening socket; port 0 lets the system choose. Returns the port, or
    // -1 when the address cannot be bound.
    int bind(const std::string& host, int port);
    // Serves on the bound socket until stop(); false when it could not serve.
    bool run();
    void stop();
    // SIGINT and SIGTERM stop the server.
    void stopOnSignals();

  private:
    void installRoutes();
    std::optional<HttpResponse> admit(HttpRequest& req);
    std::string clientAddress(const HttpRequest& req) const;
    std::optional<std::int64_t> authorize(const HttpRequest& req, HttpResponse& res);
    std::optional<HttpResponse> signInWait(const HttpRequest& req);

    void connectForm(const HttpRequest& req, HttpResponse& res);
    void connectSubmit(const HttpRequest& req, Respond respond);
    HttpResponse checkPassword(const HttpRequest& req);
    void token(const HttpRequest& req, HttpResponse& res);
    void me(const HttpRequest& req, HttpResponse& res);
    void logout(const HttpRequest& req, HttpResponse& res);
    void download(const HttpRequest& req, HttpResponse& res);
    void upload(const HttpRequest& req, HttpResponse& res);
    void crash(const HttpRequest& req, HttpResponse& res);

    std::int64_t nowSeconds() const { return options_.clock() / 1000; }

    Store& store_;
    ServerOptions options_;
    RateLimiter limiter_;
    RateLimiter accountLimiter_;
    RateLimiter signInLimiter_;
    RateLimiter crashLimiter_;
    RateLimiter crashTotalLimiter_;
    SignInGuard signInGuard_;
    HttpServer http_;
    // After http_: destroyed first, so no check is left running when the loop goes.
    WorkQueue passwordChecks_;
};

// Adds an account; false when the address is taken. Used by `kelvra-server add-user`.
bool addUser(Store& store, const std::string& email, const std::string& password, int iterations);

}  // namespace kelvra::server
