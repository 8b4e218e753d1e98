#include "ServerBackends.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

#include "PostgresStore.h"
#include "SqliteStore.h"

namespace kelvra::server::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "kelvra-server-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

namespace {

class SqliteBackend final : public Backend {
  public:
    std::unique_ptr<Store> open() override { return openSqliteStore(dir_.path() / "data"); }

  private:
    TempDir dir_;
};

// One PostgreSQL server for the whole test run, on a unix socket in a private folder
// (no TCP port); stopped when the process ends.
class PostgresServer {
  public:
    static PostgresServer* instance(std::string& why) {
        static PostgresServer server;
        why = server.why_;
        return server.why_.empty() ? &server : nullptr;
    }
    std::string conninfo(const std::string& db) const {
        return "host=" + dir_.path().string() + " dbname=" + db + " user=kelvra";
    }

  private:
    PostgresServer() {
        fs::path bin;
        for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ignore_)) {
            if (fs::exists(entry.path() / "bin/initdb")) bin = entry.path() / "bin";
        }
        if (bin.empty()) {
            why_ =
                "PostgreSQL server binaries not found under /usr/lib/postgresql "
                "(install the postgresql package)";
            return;
        }
        // PostgreSQL refuses to run as root: then it runs as the postgres user.
        std::string as;
        if (geteuid() == 0) {
            as = "runuser -u postgres -- ";
            fs::permissions(dir_.path(), fs::perms::all);
        }
        std::string data = (dir_.path() / "db").string();
        std::string log = (dir_.path() / "log").string();
        std::string initdb = as + (bin / "initdb").string() + " -D " + data +
                             " -A trust -U kelvra -E UTF8 --no-sync >/dev/null 2>&1";
        std::string start = as + (bin / "pg_ctl").string() + " -D " + data + " -l " + log +
                            " -w -o \"-k " + dir_.path().string() +
                            " -c listen_addresses='' -F\" start >/dev/null 2>&1";
        if (std::system(initdb.c_str()) != 0 || std::system(start.c_str()) != 0) {
            why_ = "could not start a private PostgreSQL server (see " + log + ")";
            return;
        }
        stop_ =
            as + (bin / "pg_ctl").string() + " -D " + data + " -m immediate stop >/dev/null 2>&1";
    }
    ~PostgresServer() {
        if (!stop_.empty()) [[maybe_unused]]
            int rc = std::system(stop_.c_str());
    }

    std::error_code ignore_;
    TempDir dir_;
    std::string why_;
    std::string stop_;
};

class PostgresBackend final : public Backend {
  public:
    explicit PostgresBackend(PostgresServer& server) : server_(server) {
        static std::atomic<int> counter = 0;
        name_ = "test" + std::to_string(getpid()) + "_" + std::to_string(counter++);
        PGconn* conn = PQconnectdb(server_.conninfo("postgres").c_str());
        PGresult* r = PQexec(conn, ("CREATE DATABASE " + name_).c_str());
        bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        PQfinish(conn);
        if (!ok) throw std::runtime_error("cannot create the test database");
    }
    std::unique_ptr<Store> open() override { return openPostgresStore(server_.conninfo(name_)); }

  private:
    PostgresServer& server_;
    std::string name_;
};

}  // namespace

std::unique_ptr<Backend> makeBackend(const std::string& kind, std::string& why) {
    if (kind == "sqlite") return std::make_unique<SqliteBackend>();
    auto* server = PostgresServer::instance(why);
    if (!server) return nullptr;
    return std::make_unique<PostgresBackend>(*server);
}

}  // namespace kelvra::server::test
