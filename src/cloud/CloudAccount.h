#pragma once

#include <memory>
#include <optional>
#include <string>

#include "base/LifetimeGuard.h"
#include "base/Published.h"
#include "base/Timer.h"

namespace kelvra {

// The user's account at the cloud service. Signing in goes through the browser with a
// proof key, so the program never sees a password; the token, e-mail and plan name
// live in the session's secret store (Keychain). Everything runs on the run loop.
class CloudAccount {
  public:
    struct State {
        enum class Kind {
            signedOut,
            signedIn,
            // No secret store answers on this session, so a token could not be kept:
            // signing in failed and nothing was written anywhere.
            noSecretStore,
        };
        Kind kind = Kind::signedOut;
        std::string email;  // signedIn: may be empty
        std::string tier;   // signedIn: the plan name, "free" when the service names none

        static State signedOut() { return {}; }
        static State signedIn(std::string email, std::string tier) {
            return {Kind::signedIn, std::move(email), std::move(tier)};
        }
        static State noSecretStore() { return {Kind::noSecretStore, {}, {}}; }
        bool isSignedIn() const { return kind == Kind::signedIn; }
        friend bool operator==(const State&, const State&) = default;
    };

    // Signed in at once when a token is stored (without asking the service).
    CloudAccount();
    ~CloudAccount();
    CloudAccount(const CloudAccount&) = delete;
    CloudAccount& operator=(const CloudAccount&) = delete;

    // Emits only when the state changes.
    Published<State> state;

    // Refreshes the account from the service when a token is stored.
    void start();
    // How long the browser has to come back before a sign-in is given up.
    static constexpr double signInLifetime = 600;

    // Opens the service's connect page in the browser; the account changes only when
    // the callback arrives. A new sign-in replaces a pending one, and a pending one
    // expires after signInLifetime. Without a secret store the state becomes
    // noSecretStore.
    void signIn();
    // A URL handed to the program; only the callback of the newest sign-in counts.
    void handleCallback(const std::string& url);
    // Forgets the account here at once and tells the service (its answer is ignored).
    void signOut();
    // Re-reads e-mail and plan; 401 signs out, other failures change nothing.
    void refresh();

    // The stored bearer token.
    static std::optional<std::string> token();
    // The device's identifier (upper-case UUID), created and kept on first use;
    // nothing when it cannot be kept.
    static std::optional<std::string> deviceId();

    bool signInPending() const { return pendingState_.has_value(); }

  private:
    void exchange(const std::string& code, const std::string& verifier);
    void setState(State s);
    static void forgetAccount();
    void dropPending();

    std::optional<std::string> pendingVerifier_;
    std::optional<std::string> pendingState_;
    Timer pendingExpiry_;
    // Answers arriving after this object is gone find it expired.
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
