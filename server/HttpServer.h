#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvra::server {

// What one client may cost before any handler runs. A connection that breaks a limit
// is answered (when it still can be) with Connection: close and closed.
struct HttpLimits {
    std::size_t headerBytes = 16 << 10;
    // From the end of the previous request (or the connection's start) to the last
    // header line: a client that trickles its header is cut off here.
    std::chrono::milliseconds headerTimeout{10'000};
    std::chrono::milliseconds bodyTimeout{30'000};
    std::chrono::milliseconds writeTimeout{30'000};
    std::size_t maxConnections = 4096;
    std::size_t maxConnectionsPerAddress = 128;
    // Held to the overall cap only: a reverse proxy brings every client's connection.
    std::vector<std::string> uncappedAddresses;
    // Threads that run the network loop and the handlers; 0: one per core, at least two.
    unsigned threads = 0;
};

struct HttpRequest {
    std::string method;
    std::string path;   // the target up to '?'
    std::string query;  // after '?', still encoded
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string peerAddress;  // of the connection, IPv4-mapped IPv6 shown as IPv4
    // Who sent it, when the gate could tell from a credential.
    std::optional<std::int64_t> account;

    // The first header of that name (compared without case), or nothing.
    const std::string* header(std::string_view name) const;
    std::string headerValue(std::string_view name) const;
};

struct HttpResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    void setHeader(std::string name, std::string value);
    void setContent(std::string content, std::string type);
};

// Hands the response back; call it once, from any thread.
using Respond = std::function<void(HttpResponse)>;
using HttpHandler = std::function<void(HttpRequest&, Respond)>;
// Looks at a request once its header is read, before its body: an answer refuses it.
using HttpGate = std::function<std::optional<HttpResponse>(HttpRequest&)>;
// The response for a request the HTTP layer refuses by itself (404, 411, 413, ...).
using ErrorPage = std::function<HttpResponse(int status)>;

// An HTTP/1.1 server on Boost.Beast: one event loop on a few threads, no thread per
// connection, every limit of HttpLimits enforced while reading.
class HttpServer {
  public:
    explicit HttpServer(HttpLimits limits);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Routes are exact paths; a body over `bodyLimit` bytes is refused with 413. Add
    // them (and the gate and error page) before run().
    void route(std::string method, std::string path, std::size_t bodyLimit, HttpHandler handler);
    void setGate(HttpGate gate);
    void setErrorPage(ErrorPage page);

    // Port 0 lets the system choose. Returns the port, or -1 when it cannot be bound.
    int bind(const std::string& host, int port);
    // Serves until stop() (or a stop signal, see below); a stop before run() makes
    // run() return at once.
    bool run();
    void stop();
    // SIGINT and SIGTERM stop the server from inside its loop.
    void stopOnSignals();

    class Impl;  // the Beast side, in HttpServer.cpp

  private:
    std::unique_ptr<Impl> impl_;
};

// The value of `name` in an application/x-www-form-urlencoded text (a query or a form
// body), decoded; empty when missing.
std::string formValue(std::string_view text, std::string_view name);

}  // namespace kelvra::server
