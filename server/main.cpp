// kelvra-server: the self-hostable sign-in, settings sync and crash report service.
//   kelvra-server --data DIR [--listen HOST:PORT] [--behind-proxy ADDR,...]
//   kelvra-server --data DIR add-user EMAIL        (password on standard input)
//   kelvra-server --data DIR tokens EMAIL          (the account's signed-in devices)
//   kelvra-server --data DIR revoke EMAIL [DEVICE] (signs them out)
// PostgreSQL instead of --data: --database-file FILE or KELVRA_DATABASE holds the URL;
// a password never goes on the command line.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Crypto.h"
#include "KelvraServer.h"
#include "PostgresStore.h"
#include "SqliteStore.h"

namespace {

using namespace kelvra::server;

constexpr const char* kUsage =
    "usage: kelvra-server STORE [--listen HOST:PORT] [--behind-proxy ADDR[,ADDR...]]\n"
    "                     [--token-days N] [--crash-days N] [--crash-megabytes N]\n"
    "                     [--account-rate REQUESTS_PER_SECOND]\n"
    "       kelvra-server STORE add-user EMAIL   (password on stdin)\n"
    "       kelvra-server STORE tokens EMAIL\n"
    "       kelvra-server STORE revoke EMAIL [DEVICE]\n"
    "STORE: --data DIR, or PostgreSQL: --database URL (no password), --database-file FILE,\n"
    "       or the URL in KELVRA_DATABASE (a password also from PGPASSWORD or PGPASSFILE)\n";

// --help: what each option and command does (the manual page is made from it).
constexpr const char* kHelp =
    "Usage: kelvra-server STORE [OPTION]...\n"
    "  or:  kelvra-server STORE add-user EMAIL\n"
    "  or:  kelvra-server STORE tokens EMAIL\n"
    "  or:  kelvra-server STORE revoke EMAIL [DEVICE]\n"
    "\n"
    "Serves Kelvra's sign-in, settings sync and crash reports over HTTP. Put it behind a\n"
    "TLS reverse proxy and let it listen on loopback only.\n"
    "\n"
    "STORE is one of:\n"
    "      --data DIR            everything in one SQLite file in DIR (made 0700)\n"
    "      --database URL        a PostgreSQL connection string without a password\n"
    "      --database-file FILE  the PostgreSQL connection string from FILE's first line\n"
    "or, without either, the connection string in KELVRA_DATABASE (a password may also\n"
    "come from PGPASSWORD or PGPASSFILE).\n"
    "\n"
    "Options:\n"
    "  -h, --help                show this help and exit\n"
    "      --version             show the version and exit\n"
    "      --listen HOST:PORT    where to serve (default 127.0.0.1:8080)\n"
    "      --behind-proxy ADDRS  the reverse proxies' addresses, comma-separated: the\n"
    "                            client is then the one they name in X-Forwarded-For\n"
    "      --token-days N        a token stops working N days after its last use (90)\n"
    "      --crash-days N        crash reports are kept N days (30)\n"
    "      --crash-megabytes N   and at most N MiB of report text (512)\n"
    "      --account-rate N      requests a second per signed-in account (10)\n"
    "\n"
    "Commands:\n"
    "  add-user EMAIL            add an account; its password is read from stdin\n"
    "  tokens EMAIL              list the devices the account is signed in on\n"
    "  revoke EMAIL [DEVICE]     sign the account out of all its devices, or of DEVICE\n";

struct Arguments {
    std::string dataDir;
    std::string listen = "127.0.0.1:8080";
    std::string database;
    std::vector<std::string> proxies;
    std::vector<std::string> command;
    ServerOptions options;
};

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        if (!item.empty()) out.push_back(item);
    }
    return out;
}

bool readFirstLine(const std::string& file, std::string& into) {
    std::ifstream in(file);
    if (!in || !std::getline(in, into)) return false;
    if (!into.empty() && into.back() == '\r') into.pop_back();
    return !into.empty();
}

bool parse(int argc, char** argv, Arguments& out) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        auto number = [&](std::int64_t& into, std::int64_t unit) {
            std::string text;
            if (!value(text)) return false;
            try {
                std::size_t used = 0;
                long long n = std::stoll(text, &used);
                into = n * unit;
                return used == text.size() && n > 0;
            } catch (const std::exception&) {
                return false;
            }
        };
        std::string text;
        if (arg == "--data") {
            if (!value(out.dataDir)) return false;
        } else if (arg == "--listen") {
            if (!value(out.listen)) return false;
        } else if (arg == "--database") {
            if (!value(out.database)) return false;
            if (connectionHasPassword(out.database)) {
                std::fputs(
                    "kelvra-server: a password on the command line is readable by every user: "
                    "use --database-file, KELVRA_DATABASE or PGPASSFILE\n",
                    stderr);
                return false;
            }
        } else if (arg == "--database-file") {
            if (!value(text) || !readFirstLine(text, out.database)) return false;
        } else if (arg == "--behind-proxy") {
            if (!value(text)) return false;
            out.options.trustedProxies = splitList(text);
            if (out.options.trustedProxies.empty()) return false;
        } else if (arg == "--token-days") {
            if (!number(out.options.tokenLifetimeSeconds, 24 * 3600)) return false;
        } else if (arg == "--account-rate") {
            std::int64_t rate = 0;
            if (!number(rate, 1)) return false;
            out.options.accountPerSecond = static_cast<double>(rate);
            out.options.accountBurst = std::max(out.options.accountBurst, 2.0 * rate);
        } else if (arg == "--crash-days") {
            if (!number(out.options.crashRetentionSeconds, 24 * 3600)) return false;
        } else if (arg == "--crash-megabytes") {
            if (!number(out.options.crashRetentionBytes, 1 << 20)) return false;
        } else if (arg.starts_with("--")) {
            return false;
        } else {
            out.command.push_back(arg);
        }
    }
    if (out.database.empty() && out.dataDir.empty()) {
        if (const char* url = std::getenv("KELVRA_DATABASE")) out.database = url;
    }
    return !out.dataDir.empty() || !out.database.empty();
}

// "HOST:PORT", "[v6]:PORT" or ":PORT".
bool splitListen(const std::string& text, std::string& host, int& port) {
    auto colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    if (host.empty()) host = "0.0.0.0";
    try {
        std::size_t used = 0;
        port = std::stoi(text.substr(colon + 1), &used);
        return used == text.size() - colon - 1 && port >= 0 && port <= 65535;
    } catch (const std::exception&) {
        return false;
    }
}

int addUserCommand(Store& store, const std::string& email) {
    if (email.find('@') == std::string::npos) {
        std::fprintf(stderr, "kelvra-server: \"%s\" is not an e-mail address\n", email.c_str());
        return 2;
    }
    std::string password;
    std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    if (password.empty()) {
        std::fprintf(stderr, "kelvra-server: no password on standard input\n");
        return 2;
    }
    if (!addUser(store, email, password, kDefaultPasswordIterations)) {
        std::fprintf(stderr, "kelvra-server: %s already has an account\n", email.c_str());
        return 1;
    }
    std::printf("added %s\n", email.c_str());
    return 0;
}

std::string dateTime(std::int64_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &tm);
    return text;
}

int tokensCommand(Store& store, const std::vector<std::string>& command) {
    auto account = store.accountByEmail(command[1]);
    if (!account) {
        std::fprintf(stderr, "kelvra-server: %s has no account\n", command[1].c_str());
        return 1;
    }
    if (command[0] == "revoke") {
        std::int64_t n = store.revokeTokens(account->id, command.size() > 2 ? command[2] : "");
        std::printf("revoked %lld\n", static_cast<long long>(n));
        return 0;
    }
    for (const auto& token : store.tokens(account->id)) {
        std::printf("%s\tsigned in %s\tlast used %s\n", token.device.c_str(),
                    dateTime(token.created).c_str(), dateTime(token.lastUsed).c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("kelvra-server %s\n", KELVRA_VERSION);
            return 0;
        }
    }
    Arguments args;
    if (!parse(argc, argv, args)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        std::unique_ptr<Store> store = args.database.empty() ? openSqliteStore(args.dataDir)
                                                             : openPostgresStore(args.database);
        const auto& command = args.command;
        if (!command.empty()) {
            if (command[0] == "add-user" && command.size() == 2) {
                return addUserCommand(*store, command[1]);
            }
            if ((command[0] == "tokens" && command.size() == 2) ||
                (command[0] == "revoke" && (command.size() == 2 || command.size() == 3))) {
                return tokensCommand(*store, command);
            }
            std::fputs(kUsage, stderr);
            return 2;
        }

        std::string host;
        int port = 0;
        if (!splitListen(args.listen, host, port)) {
            std::fprintf(stderr, "kelvra-server: --listen wants HOST:PORT, not \"%s\"\n",
                         args.listen.c_str());
            return 2;
        }
        KelvraServer server(*store, args.options);
        int bound = server.bind(host, port);
        if (bound < 0) {
            std::fprintf(stderr, "kelvra-server: cannot listen on %s\n", args.listen.c_str());
            return 1;
        }
        // The signals are handled inside the server's loop: nothing outlives it.
        server.stopOnSignals();
        std::fprintf(stderr, "kelvra-server: listening on %s port %d\n", host.c_str(), bound);
        return server.run() ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kelvra-server: %s\n", e.what());
        return 1;
    }
}
