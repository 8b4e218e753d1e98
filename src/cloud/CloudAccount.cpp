#include "cloud/CloudAccount.h"

#include <utility>

#include "cloud/Keychain.h"
#include "cloud/ProofKey.h"
#include "cloud/ServiceRequest.h"
#include "cloud/ServiceURL.h"
#include "cloud/SignInCallback.h"
#include "port/Platform.h"
#include "settings/Uuid.h"

namespace kelvra {

namespace {

std::string stringOr(const nlohmann::json& object, const char* key, std::string fallback) {
    auto it = object.find(key);
    if (it != object.end() && it->is_string()) return it->get<std::string>();
    return fallback;
}

std::string failure(const ServiceReply& reply) {
    return reply.status ? "HTTP " + std::to_string(reply.status) : reply.error;
}

}  // namespace

CloudAccount::CloudAccount() {
    if (Keychain::available() && Keychain::get(Keychain::token)) {
        state.setQuietly(State::signedIn(Keychain::get(Keychain::email).value_or(""),
                                         Keychain::get(Keychain::tier).value_or("free")));
    }
}

CloudAccount::~CloudAccount() = default;

std::optional<std::string> CloudAccount::token() {
    return Keychain::get(Keychain::token);
}

std::optional<std::string> CloudAccount::deviceId() {
    if (auto id = Keychain::get(Keychain::deviceID)) return id;
    std::string id = Uuid::random().uuidString();
    if (!Keychain::set(id, Keychain::deviceID)) return std::nullopt;
    return id;
}

void CloudAccount::setState(State s) {
    if (state.get() == s) return;
    state.set(std::move(s));
}

void CloudAccount::forgetAccount() {
    Keychain::remove(Keychain::token);
    Keychain::remove(Keychain::email);
    Keychain::remove(Keychain::tier);
}

void CloudAccount::dropPending() {
    pendingState_.reset();
    pendingVerifier_.reset();
    pendingExpiry_.cancel();
}

void CloudAccount::start() {
    if (token()) refresh();
}

void CloudAccount::signIn() {
    if (!Keychain::available()) {
        logLine(
            "cannot sign in: no secret store answers on this session (start a Secret "
            "Service such as the desktop's keyring)");
        setState(State::noSecretStore());
        return;
    }
    std::string verifier = randomURLBase64(32);
    std::string stateValue = randomURLBase64(16);
    if (verifier.empty() || stateValue.empty()) {
        logLine("cannot sign in: the secure random source failed");
        return;
    }
    if (state.get().kind == State::Kind::noSecretStore) setState(State::signedOut());
    pendingVerifier_ = verifier;
    pendingState_ = stateValue;
    // A closed tab or a password given up never calls back; a callback that comes much
    // later is no longer the user's doing.
    pendingExpiry_.once(*platform().runLoop, signInLifetime, [this] {
        logLine("the sign-in was not completed in the browser in time");
        dropPending();
    });
    std::string url = connectPageURL(cloudServiceURL(), proofKeyChallenge(verifier), stateValue);
    auto* browser = platform().browser;
    if (!browser || !browser->open(url)) {
        logLine("cannot open the sign-in page: no web browser could be started");
    }
}

void CloudAccount::handleCallback(const std::string& url) {
    auto callback = parseSignInCallback(url);
    if (!callback) return;
    if (!pendingState_ || *pendingState_ != callback->state) return;
    if (!pendingVerifier_) return;
    std::string verifier = std::move(*pendingVerifier_);
    dropPending();
    exchange(callback->code, verifier);
}

void CloudAccount::exchange(const std::string& code, const std::string& verifier) {
    auto id = deviceId();
    if (!id) {
        setState(Keychain::available() ? State::signedOut() : State::noSecretStore());
        return;
    }
    ServiceCall call{"POST", "app/token", std::nullopt,
                     nlohmann::json{{"code", code}, {"verifier", verifier}, {"deviceId", *id}}};
    sendServiceRequest(call, lifetime_.guard([this](ServiceReply reply) {
        CloudAccount& account = *this;
        if (!reply.ok()) {
            logLine("sign-in failed: " + failure(reply));
            account.setState(State::signedOut());
            return;
        }
        std::string newToken = stringOr(reply.object, "token", "");
        if (!reply.object.contains("token") || !reply.object["token"].is_string()) {
            logLine("sign-in failed: the service sent no token");
            account.setState(State::signedOut());
            return;
        }
        std::string email = stringOr(reply.object, "email", "");
        std::string tier = stringOr(reply.object, "tier", "free");
        if (!Keychain::set(newToken, Keychain::token) || !Keychain::set(email, Keychain::email) ||
            !Keychain::set(tier, Keychain::tier)) {
            // Half an account is worse than none.
            forgetAccount();
            account.setState(State::noSecretStore());
            return;
        }
        account.setState(State::signedIn(email, tier));
    }));
}

void CloudAccount::refresh() {
    auto current = token();
    if (!current) return;
    sendServiceRequest({"GET", "me", current, std::nullopt},
                       lifetime_.guard([this, current](ServiceReply reply) {
                           CloudAccount& account = *this;
                           // Signed out (or in as someone else) meanwhile: this answer is about
                           // nobody here.
                           if (token() != current) return;
                           if (reply.status == 401) {
                               forgetAccount();
                               account.setState(State::signedOut());
                               return;
                           }
                           if (!reply.ok()) {
                               logLine("cannot refresh the cloud account: " + failure(reply));
                               return;
                           }
                           std::string email = stringOr(reply.object, "email", "");
                           std::string tier = stringOr(reply.object, "tier", "free");
                           Keychain::set(email, Keychain::email);
                           Keychain::set(tier, Keychain::tier);
                           account.setState(State::signedIn(email, tier));
                       }));
}

void CloudAccount::signOut() {
    if (auto current = token()) {
        sendServiceRequest({"POST", "app/logout", current, nlohmann::json::object()},
                           [](const ServiceReply&) {});
    }
    forgetAccount();
    setState(State::signedOut());
}

}  // namespace kelvra
