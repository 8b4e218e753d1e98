#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvra::server {

struct Account {
    std::int64_t id = 0;
    std::string email;
    std::string tier;
    std::string passwordHash;
};

// An authorization code waiting for its exchange.
struct CodeGrant {
    std::int64_t account = 0;
    std::string challenge;
    std::int64_t expiresAt = 0;  // unix seconds
};

// One signed-in device, as the operator sees it.
struct TokenInfo {
    std::string device;
    std::int64_t created = 0;   // unix seconds
    std::int64_t lastUsed = 0;  // unix seconds, refreshed about hourly
};

struct StoredBlob {
    std::string data;
    std::int64_t version = 0;
};

// Everything the service keeps. Codes and tokens are passed in already hashed. Every
// method is safe to call from several threads; a database failure throws.
class Store {
  public:
    virtual ~Store() = default;

    // False when the e-mail address already has an account.
    virtual bool addAccount(const std::string& email, const std::string& passwordHash) = 0;
    virtual std::optional<Account> accountByEmail(const std::string& email) = 0;
    virtual std::optional<Account> accountById(std::int64_t id) = 0;

    // Also forgets the codes that expired before `now`.
    virtual void addCode(const std::string& codeHash, const CodeGrant& grant, std::int64_t now) = 0;
    // Removes the code and returns it, in one step: a code can be taken only once,
    // even by two servers at the same moment.
    virtual std::optional<CodeGrant> takeCode(const std::string& codeHash) = 0;

    virtual void addToken(const std::string& tokenHash, std::int64_t account,
                          const std::string& deviceId, std::int64_t now) = 0;
    // The token's account when it was used within the last `lifetime` seconds; using it
    // moves its expiry on. An expired token is forgotten.
    virtual std::optional<std::int64_t> tokenAccount(const std::string& tokenHash, std::int64_t now,
                                                     std::int64_t lifetime) = 0;
    virtual void revokeToken(const std::string& tokenHash) = 0;
    virtual std::vector<TokenInfo> tokens(std::int64_t account) = 0;
    // Revokes the account's tokens (only those of `device` when it is not empty);
    // returns how many.
    virtual std::int64_t revokeTokens(std::int64_t account, const std::string& device) = 0;

    virtual std::optional<StoredBlob> blob(std::int64_t account) = 0;
    // Stores `data` as the version after `baseVersion` (0: the first) and returns the new
    // version, or nothing when the stored version is not `baseVersion`. The check and
    // the write are one statement, so two servers never both accept the same base.
    virtual std::optional<std::int64_t> putBlob(std::int64_t account, const std::string& data,
                                                std::int64_t baseVersion,
                                                const std::string& deviceId) = 0;

    virtual void addCrash(const std::string& installId, const std::string& report,
                          std::int64_t now) = 0;
    // Drops the reports received before `receivedBefore`, then the oldest until the
    // rest hold at most `maxBytes` of report text.
    virtual void pruneCrashes(std::int64_t receivedBefore, std::int64_t maxBytes) = 0;
    virtual std::int64_t crashCount() = 0;
};

}  // namespace kelvra::server
