#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace kelvra::server {

// Growing waits after failed sign-ins, kept per key (an account, an address block):
// the first few failures are free, then each one doubles the wait before the next
// attempt, up to a ceiling. A success clears the key. Time comes from the caller.
class SignInGuard {
  public:
    struct Policy {
        int freeFailures = 3;
        std::int64_t firstDelayMs = 1000;
        std::int64_t maxDelayMs = 15 * 60 * 1000;
        // Failures further back than this are forgotten.
        std::int64_t memoryMs = 60 * 60 * 1000;
    };
    explicit SignInGuard(Policy policy) : policy_(policy) {}

    // Milliseconds until the key may try again; 0 when it may now.
    std::int64_t waitMs(const std::string& key, std::int64_t nowMs);
    void failed(const std::string& key, std::int64_t nowMs);
    void succeeded(const std::string& key);

  private:
    struct Entry {
        int failures = 0;
        std::int64_t lastFailureMs = 0;
        std::int64_t blockedUntilMs = 0;
    };

    Policy policy_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

// The key a client address is counted under: the address itself for IPv4, its /64
// network for IPv6 (one subscriber usually holds a whole /64).
std::string addressBlock(const std::string& address);

}  // namespace kelvra::server
