#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace kelvra::server {

// A token bucket per client address: `burst` requests at once, refilled at
// `perSecond`. Time comes from the caller, so tests set it.
class RateLimiter {
  public:
    RateLimiter(double burst, double perSecond) : burst_(burst), perSecond_(perSecond) {}

    // Takes one token from the address's bucket; false when it is empty.
    bool allow(const std::string& address, std::int64_t nowMs);

  private:
    struct Bucket {
        double tokens;
        std::int64_t updatedMs;
    };
    void forgetFullBuckets(std::int64_t nowMs);

    double burst_;
    double perSecond_;
    std::mutex mutex_;
    std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace kelvra::server
