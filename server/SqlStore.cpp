#include "SqlStore.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace kelvra::server {

namespace {

std::int64_t toInt(const std::optional<std::string>& text) {
    if (!text) throw std::runtime_error("unexpected NULL from the database");
    return std::stoll(*text);
}

std::optional<Account> accountFrom(const std::vector<SqlRow>& rows) {
    if (rows.empty()) return std::nullopt;
    const SqlRow& r = rows.front();
    return Account{toInt(r.at(0)), r.at(1).value_or(""), r.at(2).value_or("free"),
                   r.at(3).value_or("")};
}

}  // namespace

std::string normalizedEmail(const std::string& email) {
    std::string out = email;
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

SqlStore::SqlStore(std::unique_ptr<SqlConnection> connection,
                   const std::vector<std::string>& schema, const std::vector<std::string>& upgrades)
    : connection_(std::move(connection)) {
    for (const auto& statement : schema) run(statement, {});
    for (const auto& statement : upgrades) {
        try {
            run(statement, {});
        } catch (const std::exception&) {
            // Already applied (SQLite has no ADD COLUMN IF NOT EXISTS).
        }
    }
}

std::vector<SqlRow> SqlStore::run(const std::string& sql, const std::vector<SqlValue>& params) {
    std::lock_guard lock(mutex_);
    return connection_->run(sql, params);
}

bool SqlStore::addAccount(const std::string& email, const std::string& passwordHash) {
    return !run("INSERT INTO accounts (email, password) VALUES (?1, ?2) "
                "ON CONFLICT (email) DO NOTHING RETURNING id",
                {normalizedEmail(email), passwordHash})
                .empty();
}

std::optional<Account> SqlStore::accountByEmail(const std::string& email) {
    return accountFrom(run("SELECT id, email, tier, password FROM accounts WHERE email = ?1",
                           {normalizedEmail(email)}));
}

std::optional<Account> SqlStore::accountById(std::int64_t id) {
    return accountFrom(run("SELECT id, email, tier, password FROM accounts WHERE id = ?1", {id}));
}

void SqlStore::addCode(const std::string& codeHash, const CodeGrant& grant, std::int64_t now) {
    run("DELETE FROM codes WHERE expires < ?1", {now});
    run("INSERT INTO codes (hash, account, challenge, expires) VALUES (?1, ?2, ?3, ?4)",
        {codeHash, grant.account, grant.challenge, grant.expiresAt});
}

std::optional<CodeGrant> SqlStore::takeCode(const std::string& codeHash) {
    auto rows =
        run("DELETE FROM codes WHERE hash = ?1 RETURNING account, challenge, expires", {codeHash});
    if (rows.empty()) return std::nullopt;
    return CodeGrant{toInt(rows[0].at(0)), rows[0].at(1).value_or(""), toInt(rows[0].at(2))};
}

void SqlStore::addToken(const std::string& tokenHash, std::int64_t account,
                        const std::string& deviceId, std::int64_t now) {
    run("INSERT INTO tokens (hash, account, device, created, used) VALUES (?1, ?2, ?3, ?4, ?4)",
        {tokenHash, account, deviceId, now});
}

std::optional<std::int64_t> SqlStore::tokenAccount(const std::string& tokenHash, std::int64_t now,
                                                   std::int64_t lifetime) {
    auto rows = run("SELECT account, used FROM tokens WHERE hash = ?1", {tokenHash});
    if (rows.empty()) return std::nullopt;
    std::int64_t used = toInt(rows[0].at(1));
    if (used < now - lifetime) {
        revokeToken(tokenHash);
        return std::nullopt;
    }
    // A write on every request would make each download a write: the last use is
    // moved on only when it is some way behind.
    if (used < now - std::min<std::int64_t>(3600, lifetime / 10)) {
        run("UPDATE tokens SET used = ?2 WHERE hash = ?1", {tokenHash, now});
    }
    return toInt(rows[0].at(0));
}

std::vector<TokenInfo> SqlStore::tokens(std::int64_t account) {
    std::vector<TokenInfo> out;
    for (const auto& row :
         run("SELECT device, created, used FROM tokens WHERE account = ?1 ORDER BY created, device",
             {account})) {
        out.push_back(TokenInfo{row.at(0).value_or(""), toInt(row.at(1)), toInt(row.at(2))});
    }
    return out;
}

std::int64_t SqlStore::revokeTokens(std::int64_t account, const std::string& device) {
    auto rows = device.empty()
                    ? run("DELETE FROM tokens WHERE account = ?1 RETURNING hash", {account})
                    : run("DELETE FROM tokens WHERE account = ?1 AND device = ?2 RETURNING hash",
                          {account, device});
    return static_cast<std::int64_t>(rows.size());
}

void SqlStore::revokeToken(const std::string& tokenHash) {
    run("DELETE FROM tokens WHERE hash = ?1", {tokenHash});
}

std::optional<StoredBlob> SqlStore::blob(std::int64_t account) {
    auto rows = run("SELECT data, version FROM blobs WHERE account = ?1", {account});
    if (rows.empty()) return std::nullopt;
    return StoredBlob{rows[0].at(0).value_or(""), toInt(rows[0].at(1))};
}

std::optional<std::int64_t> SqlStore::putBlob(std::int64_t account, const std::string& data,
                                              std::int64_t baseVersion,
                                              const std::string& deviceId) {
    auto rows = baseVersion == 0
                    ? run("INSERT INTO blobs (account, data, version, device) "
                          "VALUES (?1, ?2, 1, ?3) ON CONFLICT (account) DO NOTHING "
                          "RETURNING version",
                          {account, data, deviceId})
                    : run("UPDATE blobs SET data = ?2, version = version + 1, device = ?3 "
                          "WHERE account = ?1 AND version = ?4 RETURNING version",
                          {account, data, deviceId, baseVersion});
    if (rows.empty()) return std::nullopt;
    return toInt(rows[0].at(0));
}

void SqlStore::addCrash(const std::string& installId, const std::string& report, std::int64_t now) {
    run("INSERT INTO crashes (install, report, received) VALUES (?1, ?2, ?3)",
        {installId, report, now});
}

void SqlStore::pruneCrashes(std::int64_t receivedBefore, std::int64_t maxBytes) {
    run("DELETE FROM crashes WHERE received < ?1", {receivedBefore});
    // The running total from the newest report down: what lies past the limit goes.
    run("DELETE FROM crashes WHERE id IN (SELECT id FROM (SELECT id, SUM(LENGTH(report)) "
        "OVER (ORDER BY id DESC) AS kept FROM crashes) AS newest WHERE kept > ?1)",
        {maxBytes});
}

std::int64_t SqlStore::crashCount() {
    return toInt(run("SELECT COUNT(*) FROM crashes", {}).at(0).at(0));
}

}  // namespace kelvra::server
