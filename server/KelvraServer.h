#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "RateLimiter.h"
#include "Store.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

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

  private:
    void installRoutes();
    bool admit(const httplib::Request& req, httplib::Response& res);
    std::string clientAddress(const httplib::Request& req) const;
    std::optional<std::int64_t> authorize(const httplib::Request& req, httplib::Response& res);

    void connectForm(const httplib::Request& req, httplib::Response& res);
    void connectSubmit(const httplib::Request& req, httplib::Response& res);
    void token(const httplib::Request& req, httplib::Response& res);
    void me(const httplib::Request& req, httplib::Response& res);
    void logout(const httplib::Request& req, httplib::Response& res);
    void download(const httplib::Request& req, httplib::Response& res);
    void upload(const httplib::Request& req, httplib::Response& res);
    void crash(const httplib::Request& req, httplib::Response& res);

    std::int64_t nowSeconds() const { return options_.clock() / 1000; }

    Store& store_;
    ServerOptions options_;
    RateLimiter limiter_;
    RateLimiter signInLimiter_;
    std::unique_ptr<httplib::Server> http_;
    std::atomic<bool> running_ = false;  // inside run()
    std::atomic<bool> stopRequested_ = false;
};

// Adds an account; false when the address is taken. Used by `kelvra-server add-user`.
bool addUser(Store& store, const std::string& email, const std::string& password, int iterations);

}  // namespace kelvra::server
