#include "SqliteStore.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "SqlStore.h"

namespace kelvra::server {

namespace {

class SqliteConnection final : public SqlConnection {
  public:
    explicit SqliteConnection(const std::string& file) {
        int rc = sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
        if (rc != SQLITE_OK) {
            std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close(db_);
            throw std::runtime_error("cannot open " + file + ": " + why);
        }
        // Another process (add-user while the server runs) may hold the lock briefly.
        sqlite3_busy_timeout(db_, 5000);
    }
    ~SqliteConnection() override { sqlite3_close(db_); }

    std::vector<SqlRow> run(const std::string& sql, const std::vector<SqlValue>& params) override {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) fail();
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(stmt, sqlite3_finalize);
        for (std::size_t i = 0; i < params.size(); ++i) {
            int index = static_cast<int>(i + 1);
            int rc =
                std::holds_alternative<std::int64_t>(params[i])
                    ? sqlite3_bind_int64(stmt, index, std::get<std::int64_t>(params[i]))
                    : sqlite3_bind_text(stmt, index, std::get<std::string>(params[i]).data(),
                                        static_cast<int>(std::get<std::string>(params[i]).size()),
                                        SQLITE_TRANSIENT);
            if (rc != SQLITE_OK) fail();
        }
        std::vector<SqlRow> rows;
        for (;;) {
            int rc = sqlite3_step(stmt);
            if (rc == SQLITE_DONE) break;
            if (rc != SQLITE_ROW) fail();
            SqlRow row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                if (sqlite3_column_type(stmt, c) == SQLITE_NULL) {
                    row.emplace_back();
                } else {
                    auto text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                    row.emplace_back(std::string(text, sqlite3_column_bytes(stmt, c)));
                }
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }

  private:
    [[noreturn]] void fail() {
        throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db_));
    }

    sqlite3* db_ = nullptr;
};

const std::vector<std::string> kSchema = {
    "PRAGMA foreign_keys = ON",
    // Write-ahead log, synced at checkpoints rather than at every commit: an upload
    // costs no disk flush of its own. A power cut can lose the last moments of
    // uploads (their devices still hold them and send again), never the file.
    "PRAGMA journal_mode = WAL",
    "PRAGMA synchronous = NORMAL",
    "CREATE TABLE IF NOT EXISTS accounts (id INTEGER PRIMARY KEY, email TEXT NOT NULL UNIQUE, "
    "password TEXT NOT NULL, tier TEXT NOT NULL DEFAULT 'free')",
    "CREATE TABLE IF NOT EXISTS codes (hash TEXT PRIMARY KEY, account INTEGER NOT NULL "
    "REFERENCES accounts (id), challenge TEXT NOT NULL, expires INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS tokens (hash TEXT PRIMARY KEY, account INTEGER NOT NULL "
    "REFERENCES accounts (id), device TEXT NOT NULL, created INTEGER NOT NULL, "
    "used INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS blobs (account INTEGER PRIMARY KEY REFERENCES accounts (id), "
    "data TEXT NOT NULL, version INTEGER NOT NULL, device TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS crashes (id INTEGER PRIMARY KEY, install TEXT NOT NULL, "
    "report TEXT NOT NULL, received INTEGER NOT NULL)",
};

// Tables made by earlier versions: tokens learn when they were last used (from their
// creation, so none expires at the upgrade).
const std::vector<std::string> kUpgrades = {
    "ALTER TABLE tokens ADD COLUMN used INTEGER NOT NULL DEFAULT 0",
    "UPDATE tokens SET used = created WHERE used = 0",
};

}  // namespace

std::unique_ptr<Store> openSqliteStore(const std::filesystem::path& dataDir) {
    // Password hashes and tokens live here: readable by the service's user only.
    if (dataDir.has_parent_path()) std::filesystem::create_directories(dataDir.parent_path());
    if (::mkdir(dataDir.c_str(), 0700) != 0 && errno != EEXIST) {
        throw std::runtime_error("cannot create " + dataDir.string() + ": " + std::strerror(errno));
    }
    auto file = dataDir / "kelvra.db";
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw std::runtime_error("cannot open " + file.string() + ": " + std::strerror(errno));
    }
    ::close(fd);
    return std::make_unique<SqlStore>(std::make_unique<SqliteConnection>(file.string()), kSchema,
                                      kUpgrades);
}

}  // namespace kelvra::server
