#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "HttpServer.h"
#include "RateLimiter.h"
#include "Store.h"
#include "WorkQueue.h"

namespace kelvra::server {

// Milliseconds since the Unix epoch. The system clock by default; tests set their own.
using Clock = std::function<std::int64_t()>;
Clock systemClock();

struct ServerOptions {
    std::size_t syncBodyLimit = 1 << 20;     // PUT /api/sync/kelvra and everything else
    std::size_t crashBodyLimit = 256 << 10;  // POST /api/crash
    double rateBurst = 60;                   // requests per client address at once
    double ratePerSecond = 2;                // refill of that budget
    // Each password check costs a deliberate 0.3 s of processor time: sign-in attempts
    // have a tighter budget of their own.
    double signInBurst = 10;
    double signInPerSecond = 0.2;
    std::int64_t codeLifetimeSeconds = 300;
    // Password checks run on `passwordThreads` threads; past `passwordQueue` waiting
    // checks a sign-in is refused with 429.
    unsigned passwordThreads = 1;
    std::size_t passwordQueue = 16;
    HttpLimits http;
    // Behind a reverse proxy every request comes from the proxy: take the client's
    // address from X-Real-IP instead (only when the proxy sets it).
    bool trustRealIpHeader = false;
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
    std::optional<HttpResponse> admit(const HttpRequest& req);
    std::string clientAddress(const HttpRequest& req) const;
    std::optional<std::int64_t> authorize(const HttpRequest& req, HttpResponse& res);

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
    RateLimiter signInLimiter_;
    HttpServer http_;
    // After http_: destroyed first, so no check is left running when the loop goes.
    WorkQueue passwordChecks_;
};

// Adds an account; false when the address is taken. Used by `kelvra-server add-user`.
bool addUser(Store& store, const std::string& email, const std::string& password, int iterations);

}  // namespace kelvra::server
