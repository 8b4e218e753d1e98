#include "KelvraServer.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "ConnectPage.h"
#include "Crypto.h"
#include "RequestBodies.h"
#include "SqlStore.h"

namespace kelvra::server {

namespace {

using Request = HttpRequest;
using Response = HttpResponse;
using nlohmann::json;

constexpr const char* kSyncPath = "/api/sync/kelvra";
constexpr const char* kCrashPath = "/api/crash";

void sendJson(Response& res, int status, const json& body) {
    res.status = status;
    res.setContent(body.dump(), "application/json");
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
        case 411:
            return "length required";
        case 413:
            return "request body too large";
        case 429:
            return "too many requests";
        case 431:
            return "request header too large";
        case 503:
            return "too many connections";
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
    ConnectQuery q{formValue(req.query, "app"), formValue(req.query, "challenge"),
                   formValue(req.query, "state")};
    if (q.app.empty() || q.app.size() > 64 || !isS256Challenge(q.challenge) || q.state.empty() ||
        q.state.size() > 512) {
        return std::nullopt;
    }
    return q;
}

void sendPage(Response& res, int status, const std::string& html) {
    res.status = status;
    // Nothing on the page runs script or loads anything, and no other site may frame it.
    res.setHeader("Content-Security-Policy",
                  "default-src 'none'; style-src 'unsafe-inline'; frame-ancestors 'none'");
    res.setHeader("Cache-Control", "no-store");
    res.setHeader("Referrer-Policy", "no-referrer");
    res.setContent(html, "text/html; charset=utf-8");
}

std::string bearerToken(const Request& req) {
    std::string header = req.headerValue("Authorization");
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
      accountLimiter_(options_.accountBurst, options_.accountPerSecond),
      signInLimiter_(options_.signInBurst, options_.signInPerSecond),
      crashLimiter_(options_.crashBurst, options_.crashPerHour / 3600),
      crashTotalLimiter_(options_.crashTotalBurst, options_.crashTotalPerHour / 3600),
      signInGuard_(
          {options_.signInFreeFailures, options_.signInFirstDelayMs, options_.signInMaxDelayMs}),
      http_([this] {
          HttpLimits limits = options_.http;
          limits.uncappedAddresses = options_.trustedProxies;
          return limits;
      }()),
      passwordChecks_(options_.passwordThreads, options_.passwordQueue) {
    installRoutes();
}

KelvraServer::~KelvraServer() {
    stop();
}

int KelvraServer::bind(const std::string& host, int port) {
    return http_.bind(host, port);
}

bool KelvraServer::run() {
    return http_.run();
}

void KelvraServer::stop() {
    http_.stop();
}

void KelvraServer::stopOnSignals() {
    http_.stopOnSignals();
}

void KelvraServer::installRoutes() {
    http_.setGate([this](Request& req) { return admit(req); });
    http_.setErrorPage([](int status) {
        Response res;
        sendError(res, status, reasonFor(status));
        return res;
    });

    auto bindHandler = [this](void (KelvraServer::*handler)(const Request&, Response&)) {
        return [this, handler](Request& req, Respond respond) {
            Response res;
            (this->*handler)(req, res);
            respond(std::move(res));
        };
    };
    std::size_t small = options_.formBodyLimit;
    http_.route("GET", "/app/connect", 0, bindHandler(&KelvraServer::connectForm));
    http_.route("POST", "/app/connect", small,
                [this](Request& req, Respond respond) { connectSubmit(req, std::move(respond)); });
    http_.route("POST", "/api/app/token", small, bindHandler(&KelvraServer::token));
    http_.route("GET", "/api/me", 0, bindHandler(&KelvraServer::me));
    http_.route("POST", "/api/app/logout", small, bindHandler(&KelvraServer::logout));
    http_.route("GET", kSyncPath, 0, bindHandler(&KelvraServer::download));
    http_.route("PUT", kSyncPath, options_.syncBodyLimit, bindHandler(&KelvraServer::upload));
    http_.route("POST", kCrashPath, options_.crashBodyLimit, bindHandler(&KelvraServer::crash));
}

std::string KelvraServer::clientAddress(const Request& req) const {
    const auto& proxies = options_.trustedProxies;
    auto trusted = [&](std::string_view address) {
        return std::find(proxies.begin(), proxies.end(), address) != proxies.end();
    };
    if (!trusted(req.peerAddress)) return req.peerAddress;
    // Each proxy appends the address it got the request from: walk back over the
    // trusted ones; anything before the first untrusted entry may be forged.
    if (const std::string* forwarded = req.header("X-Forwarded-For")) {
        std::string_view list = *forwarded;
        while (!list.empty()) {
            auto comma = list.rfind(',');
            std::string_view entry =
                comma == std::string_view::npos ? list : list.substr(comma + 1);
            while (!entry.empty() && entry.front() == ' ') entry.remove_prefix(1);
            while (!entry.empty() && entry.back() == ' ') entry.remove_suffix(1);
            if (!entry.empty() && !trusted(entry)) return std::string(entry);
            if (comma == std::string_view::npos) break;
            list = list.substr(0, comma);
        }
    }
    if (const std::string* real = req.header("X-Real-IP"); real && !real->empty()) return *real;
    return req.peerAddress;
}

std::optional<HttpResponse> KelvraServer::admit(Request& req) {
    // A valid token counts against its account's budget; everything else against the
    // address's.
    std::string token = bearerToken(req);
    if (!token.empty()) {
        req.account =
            store_.tokenAccount(sha256Hex(token), nowSeconds(), options_.tokenLifetimeSeconds);
    }
    bool allowed = req.account
                       ? accountLimiter_.allow(std::to_string(*req.account), options_.clock())
                       : limiter_.allow(clientAddress(req), options_.clock());
    if (allowed) return std::nullopt;
    Response res;
    res.setHeader("Retry-After", "1");
    sendError(res, 429, reasonFor(429));
    return res;
}

std::optional<std::int64_t> KelvraServer::authorize(const Request& req, Response& res) {
    if (!req.account) {
        res.setHeader("WWW-Authenticate", "Bearer");
        sendError(res, 401, reasonFor(401));
    }
    return req.account;
}

void KelvraServer::connectForm(const Request& req, Response& res) {
    auto query = connectQuery(req);
    if (!query) return sendPage(res, 400, invalidLinkPage());
    sendPage(res, 200, connectPage(query->action(), "", ""));
}

std::optional<HttpResponse> KelvraServer::signInWait(const Request& req) {
    auto query = connectQuery(req);
    if (!query) return std::nullopt;
    std::string email = formValue(req.body, "email");
    std::int64_t now = options_.clock();
    std::int64_t wait = std::max(signInGuard_.waitMs("a:" + addressBlock(clientAddress(req)), now),
                                 signInGuard_.waitMs("e:" + normalizedEmail(email), now));
    if (wait == 0) return std::nullopt;
    Response res;
    res.setHeader("Retry-After", std::to_string((wait + 999) / 1000));
    sendPage(res, 429,
             connectPage(query->action(), email,
                         "Too many failed sign-ins. Wait a little and try again."));
    return res;
}

void KelvraServer::connectSubmit(const Request& req, Respond respond) {
    // Waits after failures are checked here, so a blocked client takes no place in
    // the queue of password checks.
    if (auto wait = signInWait(req)) return respond(std::move(*wait));
    // The check takes a deliberate 0.3 s of processor time: it runs off the network
    // threads, and only as many wait for it as the queue holds.
    bool queued = passwordChecks_.submit([this, req, respond] {
        try {
            respond(checkPassword(req));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "kelvra-server: sign-in failed: %s\n", e.what());
            Response res;
            sendError(res, 500, reasonFor(500));
            respond(std::move(res));
        }
    });
    if (queued) return;
    Response res;
    auto query = connectQuery(req);
    if (!query) {
        sendPage(res, 400, invalidLinkPage());
    } else {
        res.setHeader("Retry-After", "1");
        sendPage(res, 429,
                 connectPage(query->action(), formValue(req.body, "email"),
                             "The service is busy. Try again in a moment."));
    }
    respond(std::move(res));
}

HttpResponse KelvraServer::checkPassword(const Request& req) {
    Response res;
    auto query = connectQuery(req);
    if (!query) {
        sendPage(res, 400, invalidLinkPage());
        return res;
    }
    // The form fields arrive in the body; the query holds app, challenge and state.
    std::string email = formValue(req.body, "email");
    std::string addressKey = "a:" + addressBlock(clientAddress(req));
    std::string accountKey = "e:" + normalizedEmail(email);
    if (!signInLimiter_.allow(addressBlock(clientAddress(req)), options_.clock())) {
        res.setHeader("Retry-After", "60");
        sendPage(res, 429,
                 connectPage(query->action(), email,
                             "Too many sign-in attempts. Wait a minute and try again."));
        return res;
    }
    std::string password = formValue(req.body, "password");
    auto account = email.empty() ? std::nullopt : store_.accountByEmail(email);
    bool ok = verifyPassword(password, account ? account->passwordHash : decoyHash()) && account;
    if (!ok) {
        signInGuard_.failed(addressKey, options_.clock());
        signInGuard_.failed(accountKey, options_.clock());
        sendPage(res, 401,
                 connectPage(query->action(), email,
                             "The e-mail address or the password is not correct."));
        return res;
    }
    signInGuard_.succeeded(accountKey);
    signInGuard_.succeeded(addressKey);
    std::string code = randomToken();
    std::int64_t now = nowSeconds();
    store_.addCode(sha256Hex(code),
                   CodeGrant{account->id, query->challenge, now + options_.codeLifetimeSeconds},
                   now);
    res.setHeader("Cache-Control", "no-store");
    res.status = 302;
    res.setHeader("Location",
                  "kelvra://auth?code=" + code + "&state=" + percentEncode(query->state));
    return res;
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
    res.setHeader("Cache-Control", "no-store");
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
    auto report = decodeCrashReport(req.body);
    if (!report) return sendError(res, 400, "not a crash report");
    // Anyone may send reports: each address, and all of them together, have a quota.
    if (!crashLimiter_.allow(clientAddress(req), options_.clock()) ||
        !crashTotalLimiter_.allow("", options_.clock())) {
        res.setHeader("Retry-After", "3600");
        return sendError(res, 429, reasonFor(429));
    }
    std::int64_t now = nowSeconds();
    store_.addCrash(report->installId, report->json, now);
    store_.pruneCrashes(now - options_.crashRetentionSeconds, options_.crashRetentionBytes);
    res.status = 204;
}

}  // namespace kelvra::server
