#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kelvra::port {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    HttpHeaders headers;
    std::string body;
    double timeoutSeconds = 30;
    // A longer answer is cut off and reported as an error, never handed on half.
    size_t maxResponseBytes = size_t{8} << 20;
    // Bytes received so far and the announced total (0 when unknown); on the run loop.
    std::function<void(uint64_t received, uint64_t total)> progress;
};

struct HttpResponse {
    int status = 0;  // 0 when no answer arrived
    HttpHeaders headers;
    std::string body;
    std::string error;  // why no answer arrived; empty when one did

    bool answered() const { return status != 0; }
    // The first header of that name (case-insensitive), empty when absent.
    std::string header(const std::string& name) const;
};

// HTTP(S) requests. The work runs off the main thread; `done` runs once, on the run loop.
class Http {
  public:
    virtual ~Http() = default;
    virtual void send(HttpRequest request, std::function<void(HttpResponse)> done) = 0;
};

}  // namespace kelvra::port
