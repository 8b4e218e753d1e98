#include "RateLimiter.h"

#include <algorithm>

namespace kelvra::server {

namespace {
// Past this many addresses the buckets that refilled completely are dropped, so a
// stream of new addresses cannot grow the table without bound.
constexpr std::size_t kPruneAt = 10000;
}  // namespace

bool RateLimiter::allow(const std::string& address, std::int64_t nowMs) {
    std::lock_guard lock(mutex_);
    if (buckets_.size() >= kPruneAt) forgetFullBuckets(nowMs);
    auto [it, added] = buckets_.try_emplace(address, Bucket{burst_, nowMs});
    Bucket& b = it->second;
    double elapsed = static_cast<double>(std::max<std::int64_t>(0, nowMs - b.updatedMs)) / 1000.0;
    b.tokens = std::min(burst_, b.tokens + elapsed * perSecond_);
    b.updatedMs = std::max(b.updatedMs, nowMs);
    if (b.tokens < 1.0) return false;
    b.tokens -= 1.0;
    return true;
}

void RateLimiter::forgetFullBuckets(std::int64_t nowMs) {
    std::erase_if(buckets_, [&](const auto& entry) {
        double elapsed = static_cast<double>(nowMs - entry.second.updatedMs) / 1000.0;
        return entry.second.tokens + elapsed * perSecond_ >= burst_;
    });
}

}  // namespace kelvra::server
