#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "backends/sim/VirtualRunLoop.h"
#include "port/Http.h"

namespace kelvra::sim {

// HTTP on the simulated desktop: the test answers each request; the answer arrives
// through the run loop after the set latency, never inside send().
class SimHttp final : public port::Http {
  public:
    using Handler = std::function<port::HttpResponse(const port::HttpRequest&)>;
    explicit SimHttp(VirtualRunLoop& loop) : loop_(loop) {}

    void send(port::HttpRequest request, std::function<void(port::HttpResponse)> done) override {
        requests_.push_back(request);
        port::HttpResponse response;
        if (handler_) {
            response = handler_(request);
        } else {
            response.error = "no network";
        }
        loop_.scheduleTimer(
            latency_, false,
            [done = std::move(done), response = std::move(response)] { done(response); });
    }

    void setHandler(Handler handler) { handler_ = std::move(handler); }
    void setLatency(double seconds) { latency_ = seconds; }
    const std::vector<port::HttpRequest>& requests() const { return requests_; }
    void clearRequests() { requests_.clear(); }

  private:
    VirtualRunLoop& loop_;
    Handler handler_;
    double latency_ = 0;
    std::vector<port::HttpRequest> requests_;
};

}  // namespace kelvra::sim
