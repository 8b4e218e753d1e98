#include "PostgresStore.h"

#include <libpq-fe.h>

#include <stdexcept>
#include <string_view>

#include "SqlStore.h"

namespace kelvra::server {

namespace {

// The shared statements number their parameters ?1, ?2 ...; PostgreSQL writes $1, $2.
std::string dollarParameters(const std::string& sql) {
    std::string out = sql;
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] == '?' && out[i + 1] >= '0' && out[i + 1] <= '9') out[i] = '$';
    }
    return out;
}

class PostgresConnection final : public SqlConnection {
  public:
    explicit PostgresConnection(const std::string& conninfo)
        : conn_(PQconnectdb(conninfo.c_str())) {
        if (PQstatus(conn_) != CONNECTION_OK) {
            std::string why = PQerrorMessage(conn_);
            PQfinish(conn_);
            throw std::runtime_error("cannot connect to PostgreSQL: " + why);
        }
        // Creating missing tables would otherwise print notices on every start.
        PQsetNoticeProcessor(
            conn_, [](void*, const char*) {}, nullptr);
    }
    ~PostgresConnection() override { PQfinish(conn_); }

    std::vector<SqlRow> run(const std::string& sql, const std::vector<SqlValue>& params) override {
        // A connection lost since the last statement (database restart) is opened again.
        if (PQstatus(conn_) != CONNECTION_OK) PQreset(conn_);
        std::vector<std::string> texts;
        texts.reserve(params.size());
        for (const auto& p : params) {
            texts.push_back(std::holds_alternative<std::int64_t>(p)
                                ? std::to_string(std::get<std::int64_t>(p))
                                : std::get<std::string>(p));
        }
        std::vector<const char*> values;
        std::vector<int> lengths;
        for (const auto& t : texts) {
            values.push_back(t.c_str());
            lengths.push_back(static_cast<int>(t.size()));
        }
        std::unique_ptr<PGresult, void (*)(PGresult*)> result(
            PQexecParams(conn_, dollarParameters(sql).c_str(), static_cast<int>(values.size()),
                         nullptr, values.data(), lengths.data(), nullptr, 0),
            PQclear);
        auto status = PQresultStatus(result.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            throw std::runtime_error(std::string("PostgreSQL: ") + PQerrorMessage(conn_));
        }
        std::vector<SqlRow> rows;
        for (int r = 0; r < PQntuples(result.get()); ++r) {
            SqlRow row;
            for (int c = 0; c < PQnfields(result.get()); ++c) {
                if (PQgetisnull(result.get(), r, c)) {
                    row.emplace_back();
                } else {
                    row.emplace_back(std::string(PQgetvalue(result.get(), r, c),
                                                 PQgetlength(result.get(), r, c)));
                }
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }

  private:
    PGconn* conn_;
};

const std::vector<std::string> kSchema = {
    "CREATE TABLE IF NOT EXISTS accounts (id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
    "email TEXT NOT NULL UNIQUE, password TEXT NOT NULL, tier TEXT NOT NULL DEFAULT 'free')",
    "CREATE TABLE IF NOT EXISTS codes (hash TEXT PRIMARY KEY, account BIGINT NOT NULL "
    "REFERENCES accounts (id), challenge TEXT NOT NULL, expires BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS tokens (hash TEXT PRIMARY KEY, account BIGINT NOT NULL "
    "REFERENCES accounts (id), device TEXT NOT NULL, created BIGINT NOT NULL, "
    "used BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS blobs (account BIGINT PRIMARY KEY REFERENCES accounts (id), "
    "data TEXT NOT NULL, version BIGINT NOT NULL, device TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS crashes (id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
    "install TEXT NOT NULL, report TEXT NOT NULL, received BIGINT NOT NULL)",
};

// Tables made by earlier versions: tokens learn when they were last used (from their
// creation, so none expires at the upgrade).
const std::vector<std::string> kUpgrades = {
    "ALTER TABLE tokens ADD COLUMN IF NOT EXISTS used BIGINT NOT NULL DEFAULT 0",
    "UPDATE tokens SET used = created WHERE used = 0",
};

}  // namespace

std::unique_ptr<Store> openPostgresStore(const std::string& connection) {
    return std::make_unique<SqlStore>(std::make_unique<PostgresConnection>(connection), kSchema,
                                      kUpgrades);
}

bool connectionHasPassword(const std::string& connection) {
    PQconninfoOption* options = PQconninfoParse(connection.c_str(), nullptr);
    if (!options) return false;
    bool has = false;
    for (auto* o = options; o->keyword; ++o) {
        if (std::string_view(o->keyword) == "password" && o->val && *o->val) has = true;
    }
    PQconninfoFree(options);
    return has;
}

}  // namespace kelvra::server
