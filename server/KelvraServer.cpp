#include "KelvraServer.h"

#include <httplib.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <thread>

#include "ConnectPage.h"
#include "Crypto.h"
#include "RequestBodies.h"

namespace kelvra::server {

namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;
using Handled = httplib::Server::HandlerResponse;

constexpr const char* kSyncPath = "/api/sync/kelvra";
constexpr const char* kCrashPath = "/api/crash";

void sendJson(Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(body.dump(), "application/json");
}

void sendError(Response& res, int status, const std::string& message) {
    sendJson(res, status, json{{"error", message}});
}

std::string reasonFor(int status) {
    switch (status) {
        case 400:
            return "bad request";
        case 401:
            return "not signed in";
        case 404:
            return "no such endpoint";
        case 405:
            return "method not allowed";
        case 409:
            return "stale version";
        case 413:
            return "request body too large";
        case 429:
            return "too many requests";
        default:
            return status >= 500 ? "internal error" : "request failed";
    }
}

// A password check for an address without an account costs as much as one with, so
// the answer time does not tell which addresses exist.
const std::string& decoyHash() {
    static const std::string hash = hashPassword("decoy", kDefaultPasswordIterations);
    return hash;
}

struct ConnectQuery {
    std::string app, challenge, state;
    // The form posts to the page's own address: relative, so a path prefix added by a
    // reverse proxy survives.
    std::string action() const {
        return "connect?app=" + percentEncode(app) + "&challenge=" + percentEncode(challenge) +
               "&state=" + percentEncode(state);
    }
};

std::optional<ConnectQuery> connectQuery(const Request& req) {
    ConnectQuery q{req.get_param_value("app"), req.get_param_value("challenge"),
                   req.get_param_value("state")};
    if (q.app.empty() || q.app.size() > 64 || !isS256Challenge(q.challenge) || q.state.empty() ||
        q.state.size() > 512) {
        return std::nullopt;
    }
    return q;
}

void sendPage(Response& res, int status, const std::string& html) {
    res.status = status;
    // Nothing on the page runs script or loads anything, and no other site may frame it.
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; style-src 'unsafe-inline'; frame-ancestors 'none'");
    res.set_header("Cache-Control", "no-store");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_content(html, "text/html; charset=utf-8");
}

std::string bearerToken(const Request& req) {
    std::string header = req.get_header_value("Authorization");
    constexpr std::string_view prefix = "Bearer ";
    if (header.size() <= prefix.size() || header.compare(0, prefix.size(), prefix) != 0) return {};
    return header.substr(prefix.size());
}

}  // namespace

Clock systemClock() {
    return [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
}

bool addUser(Store& store, const std::string& email, const std::string& password, int iterations) {
    return store.addAccount(email, hashPassword(password, iterations));
}

KelvraServer::KelvraServer(Store& store, ServerOptions options)
    : store_(store),
      options_(std::move(options)),
      limiter_(options_.rateBurst, options_.ratePerSecond),
      signInLimiter_(options_.signInBurst, options_.signInPerSecond),
      http_(std::make_unique<httplib::Server>()) {
    installRoutes();
}

KelvraServer::~KelvraServer() {
    stop();
}

int KelvraServer::bind(const std::string& host, int port) {
    if (port == 0) return http_->bind_to_any_port(host);
    return http_->bind_to_port(host, port) ? port : -1;
}

bool KelvraServer::run() {
    running_ = true;
    bool ok = stopRequested_ || http_->listen_after_bind();
    running_ = false;
    return ok;
}

void KelvraServer::stop() {
    // The HTTP layer ignores a stop that comes before it listens: a stop before run()
    // makes run() return at once, and one during its start waits for it to listen.
    stopRequested_ = true;
    while (running_ && !http_->is_running()) std::this_thread::yield();
    http_->stop();
}

void KelvraServer::installRoutes() {
    // Bodies beyond the larger limit are refused (413) before they are read.
    http_->set_payload_max_length(std::max(options_.syncBodyLimit, options_.crashBodyLimit));
    http_->set_pre_routing_handler([this](const Request& req, Response& res) {
        return admit(req, res) ? Handled::Unhandled : Handled::Handled;
    });
    http_->set_error_handler([](const Request&, Response& res) {
        if (res.body.empty()) sendError(res, res.status, reasonFor(res.status));
    });
    http_->set_exception_handler([](const Request& req, Response& res, std::exception_ptr ep) {
        std::string what = "unknown error";
        try {
            if (ep) std::rethrow_exception(ep);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        std::fprintf(stderr, "kelvra-server: %s %s failed: %s\n", req.method.c_str(),
                     req.path.c_str(), what.c_str());
        sendError(res, 500, "internal error");
    });

    auto bindHandler = [this](void (KelvraServer::*handler)(const Request&, Response&)) {
        return [this, handler](const Request& req, Response& res) { (this->*handler)(req, res); };
    };
    http_->Get("/app/connect", bindHandler(&KelvraServer::connectForm));
    http_->Post("/app/connect", bindHandler(&KelvraServer::connectSubmit));
    http_->Post("/api/app/token", bindHandler(&KelvraServer::token));
    http_->Get("/api/me", bindHandler(&KelvraServer::me));
    http_->Post("/api/app/logout", bindHandler(&KelvraServer::logout));
    http_->Get(kSyncPath, bindHandler(&KelvraServer::download));
    http_->Put(kSyncPath, bindHandler(&KelvraServer::upload));
    http_->Post(kCrashPath, bindHandler(&KelvraServer::crash));
}

std::string KelvraServer::clientAddress(const Request& req) const {
    if (options_.trustRealIpHeader && req.has_header("X-Real-IP")) {
        return req.get_header_value("X-Real-IP");
    }
    return req.remote_addr;
}

bool KelvraServer::admit(const Request& req, Response& res) {
    if (!limiter_.allow(clientAddress(req), options_.clock())) {
        res.set_header("Retry-After", "1");
        sendError(res, 429, reasonFor(429));
        return false;
    }
    // The crash limit is below the general one: refuse before reading when the
    // length is announced (a chunked body is measured after reading, in crash()).
    if (req.path == kCrashPath && req.has_header("Content-Length")) {
        std::uint64_t length = 0;
        try {
            length = std::stoull(req.get_header_value("Content-Length"));
        } catch (const std::exception&) {
            // A malformed length is left to the HTTP layer, which refuses it.
        }
        if (length > options_.crashBodyLimit) {
            sendError(res, 413, reasonFor(413));
            return false;
        }
    }
    return true;
}

std::optional<std::int64_t> KelvraServer::authorize(const Request& req, Response& res) {
    std::string token = bearerToken(req);
    std::optional<std::int64_t> account;
    if (!token.empty()) account = store_.tokenAccount(sha256Hex(token));
    if (!account) {
        res.set_header("WWW-Authenticate", "Bearer");
        sendError(res, 401, reasonFor(401));
    }
    return account;
}

void KelvraServer::connectForm(const Request& req, Response& res) {
    auto query = connectQuery(req);
    if (!query) return sendPage(res, 400, invalidLinkPage());
    sendPage(res, 200, connectPage(query->action(), "", ""));
}

void KelvraServer::connectSubmit(const Request& req, Response& res) {
    auto query = connectQuery(req);
    if (!query) return sendPage(res, 400, invalidLinkPage());
    // The form fields arrive in the body; the query holds app, challenge and state.
    std::string email = req.get_param_value("email");
    if (!signInLimiter_.allow(clientAddress(req), options_.clock())) {
        res.set_header("Retry-After", "60");
        return sendPage(res, 429,
                        connectPage(query->action(), email,
                                    "Too many sign-in attempts. Wait a minute and try again."));
    }
    std::string password = req.get_param_value("password");
    auto account = email.empty() ? std::nullopt : store_.accountByEmail(email);
    bool ok = verifyPassword(password, account ? account->passwordHash : decoyHash()) && account;
    if (!ok) {
        return sendPage(res, 401,
                        connectPage(query->action(), email,
                                    "The e-mail address or the password is not correct."));
    }
    std::string code = randomToken();
    std::int64_t now = nowSeconds();
    store_.addCode(sha256Hex(code),
                   CodeGrant{account->id, query->challenge, now + options_.codeLifetimeSeconds},
                   now);
    res.set_header("Cache-Control", "no-store");
    res.set_redirect("kelvra://auth?code=" + code + "&state=" + percentEncode(query->state), 302);
}

void KelvraServer::token(const Request& req, Response& res) {
    auto body = decodeTokenRequest(req.body);
    if (!body) return sendError(res, 400, "expected code, verifier and deviceId");
    // Taking the code removes it, so a wrong verifier also uses it up: a code cannot
    // be guessed against.
    auto grant = store_.takeCode(sha256Hex(body->code));
    if (!grant || grant->expiresAt < nowSeconds() ||
        !constantTimeEquals(s256Challenge(body->verifier), grant->challenge)) {
        return sendError(res, 400, "invalid_grant");
    }
    auto account = store_.accountById(grant->account);
    if (!account) return sendError(res, 400, "invalid_grant");
    std::string token = randomToken();
    store_.addToken(sha256Hex(token), account->id, body->deviceId, nowSeconds());
    res.set_header("Cache-Control", "no-store");
    sendJson(res, 200, json{{"token", token}, {"email", account->email}, {"tier", account->tier}});
}

void KelvraServer::me(const Request& req, Response& res) {
    auto id = authorize(req, res);
    if (!id) return;
    auto account = store_.accountById(*id);
    if (!account) return sendError(res, 401, reasonFor(401));
    sendJson(res, 200, json{{"email", account->email}, {"tier", account->tier}});
}

void KelvraServer::logout(const Request& req, Response& res) {
    if (!authorize(req, res)) return;
    store_.revokeToken(sha256Hex(bearerToken(req)));
    sendJson(res, 200, json::object());
}

void KelvraServer::download(const Request& req, Response& res) {
    auto id = authorize(req, res);
    if (!id) return;
    auto blob = store_.blob(*id);
    if (!blob) return sendJson(res, 200, json::object());
    sendJson(res, 200, json{{"blob", blob->data}, {"version", blob->version}});
}

void KelvraServer::upload(const Request& req, Response& res) {
    auto id = authorize(req, res);
    if (!id) return;
    auto body = decodeUploadRequest(req.body);
    if (!body) return sendError(res, 400, "expected blob, baseVersion and deviceId");
    if (auto version = store_.putBlob(*id, body->blob, body->baseVersion, body->deviceId)) {
        return sendJson(res, 200, json{{"version", *version}});
    }
    auto current = store_.blob(*id);
    sendJson(res, 409,
             json{{"error", reasonFor(409)}, {"version", current ? current->version : 0}});
}

void KelvraServer::crash(const Request& req, Response& res) {
    if (req.body.size() > options_.crashBodyLimit) return sendError(res, 413, reasonFor(413));
    auto report = decodeCrashReport(req.body);
    if (!report) return sendError(res, 400, "not a crash report");
    store_.addCrash(report->installId, report->json, nowSeconds());
    res.status = 204;
}

}  // namespace kelvra::server
