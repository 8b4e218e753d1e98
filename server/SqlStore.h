#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Store.h"

namespace kelvra::server {

using SqlValue = std::variant<std::int64_t, std::string>;
using SqlRow = std::vector<std::optional<std::string>>;  // NULL is nothing

// One database connection: runs one parameterised statement (parameters written ?1, ?2
// ...) and returns its rows as text. Throws on failure.
class SqlConnection {
  public:
    virtual ~SqlConnection() = default;
    virtual std::vector<SqlRow> run(const std::string& sql,
                                    const std::vector<SqlValue>& params) = 0;
};

// The store on any SQL database: the same statements for SQLite and PostgreSQL, one
// connection used by one thread at a time.
class SqlStore final : public Store {
  public:
    // `schema` is the list of statements that create the tables when missing;
    // `upgrades` bring older tables up to date, and may fail when already applied.
    SqlStore(std::unique_ptr<SqlConnection> connection, const std::vector<std::string>& schema,
             const std::vector<std::string>& upgrades);

    bool addAccount(const std::string& email, const std::string& passwordHash) override;
    std::optional<Account> accountByEmail(const std::string& email) override;
    std::optional<Account> accountById(std::int64_t id) override;
    void addCode(const std::string& codeHash, const CodeGrant& grant, std::int64_t now) override;
    std::optional<CodeGrant> takeCode(const std::string& codeHash) override;
    void addToken(const std::string& tokenHash, std::int64_t account, const std::string& deviceId,
                  std::int64_t now) override;
    std::optional<std::int64_t> tokenAccount(const std::string& tokenHash, std::int64_t now,
                                             std::int64_t lifetime) override;
    void revokeToken(const std::string& tokenHash) override;
    std::vector<TokenInfo> tokens(std::int64_t account) override;
    std::int64_t revokeTokens(std::int64_t account, const std::string& device) override;
    std::optional<StoredBlob> blob(std::int64_t account) override;
    std::optional<std::int64_t> putBlob(std::int64_t account, const std::string& data,
                                        std::int64_t baseVersion,
                                        const std::string& deviceId) override;
    void addCrash(const std::string& installId, const std::string& report,
                  std::int64_t now) override;
    void pruneCrashes(std::int64_t receivedBefore, std::int64_t maxBytes) override;
    std::int64_t crashCount() override;

  private:
    std::vector<SqlRow> run(const std::string& sql, const std::vector<SqlValue>& params);

    std::mutex mutex_;
    std::unique_ptr<SqlConnection> connection_;
};

// E-mail addresses are compared without regard to case.
std::string normalizedEmail(const std::string& email);

}  // namespace kelvra::server
