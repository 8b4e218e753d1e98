// kelvra-server: the self-hostable sign-in, settings sync and crash report service.
//   kelvra-server --data DIR [--listen HOST:PORT] [--database postgresql://...] [--behind-proxy]
//   kelvra-server --data DIR [--database ...] add-user EMAIL   (password on standard input)
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "Crypto.h"
#include "KelvraServer.h"
#include "PostgresStore.h"
#include "SqliteStore.h"

namespace {

using namespace kelvra::server;

constexpr const char* kUsage =
    "usage: kelvra-server --data DIR [--listen HOST:PORT] [--database URL] [--behind-proxy]\n"
    "       kelvra-server --data DIR [--database URL] add-user EMAIL   (password on stdin)\n";

struct Arguments {
    std::string dataDir;
    std::string listen = "127.0.0.1:8080";
    std::string database;
    bool behindProxy = false;
    std::vector<std::string> command;
};

bool parse(int argc, char** argv, Arguments& out) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        if (arg == "--data") {
            if (!value(out.dataDir)) return false;
        } else if (arg == "--listen") {
            if (!value(out.listen)) return false;
        } else if (arg == "--database") {
            if (!value(out.database)) return false;
        } else if (arg == "--behind-proxy") {
            out.behindProxy = true;
        } else if (arg.starts_with("--")) {
            return false;
        } else {
            out.command.push_back(arg);
        }
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

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (!parse(argc, argv, args)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        std::unique_ptr<Store> store = args.database.empty() ? openSqliteStore(args.dataDir)
                                                             : openPostgresStore(args.database);
        if (!args.command.empty()) {
            if (args.command[0] == "add-user" && args.command.size() == 2) {
                return addUserCommand(*store, args.command[1]);
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
        ServerOptions options;
        options.trustRealIpHeader = args.behindProxy;
        KelvraServer server(*store, options);
        int bound = server.bind(host, port);
        if (bound < 0) {
            std::fprintf(stderr, "kelvra-server: cannot listen on %s\n", args.listen.c_str());
            return 1;
        }
        // The signals are handled inside the server's loop: nothing outlives it.
        server.stopOnSignals();
        std::fprintf(stderr, "kelvra-server: listening on %s port %d\n", host.c_str(), bound);
        bool ok = server.run();
        return ok ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kelvra-server: %s\n", e.what());
        return 1;
    }
}
