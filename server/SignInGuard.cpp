#include "SignInGuard.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

namespace kelvra::server {

namespace {
// Past this many keys the forgotten ones are dropped, so a stream of new addresses
// cannot grow the table without bound.
constexpr std::size_t kPruneAt = 10000;
}  // namespace

std::int64_t SignInGuard::waitMs(const std::string& key, std::int64_t nowMs) {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(key);
    if (it == entries_.end()) return 0;
    return std::max<std::int64_t>(0, it->second.blockedUntilMs - nowMs);
}

void SignInGuard::failed(const std::string& key, std::int64_t nowMs) {
    std::lock_guard lock(mutex_);
    if (entries_.size() >= kPruneAt) {
        std::erase_if(entries_, [&](const auto& entry) {
            return entry.second.lastFailureMs < nowMs - policy_.memoryMs &&
                   entry.second.blockedUntilMs < nowMs;
        });
    }
    Entry& e = entries_[key];
    if (e.lastFailureMs < nowMs - policy_.memoryMs) e.failures = 0;
    ++e.failures;
    e.lastFailureMs = nowMs;
    int over = e.failures - policy_.freeFailures;
    if (over <= 0) return;
    std::int64_t delay = policy_.firstDelayMs;
    for (int i = 1; i < over && delay < policy_.maxDelayMs; ++i) delay *= 2;
    e.blockedUntilMs = nowMs + std::min(delay, policy_.maxDelayMs);
}

void SignInGuard::succeeded(const std::string& key) {
    std::lock_guard lock(mutex_);
    entries_.erase(key);
}

std::string addressBlock(const std::string& address) {
    in6_addr v6{};
    if (address.find(':') == std::string::npos || inet_pton(AF_INET6, address.c_str(), &v6) != 1) {
        return address;
    }
    std::memset(v6.s6_addr + 8, 0, 8);
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, &v6, text, sizeof text);
    return std::string(text) + "/64";
}

}  // namespace kelvra::server
