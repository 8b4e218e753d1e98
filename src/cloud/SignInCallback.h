#pragma once

#include <optional>
#include <string>

namespace kelvra {

// The address the service sends the browser back to after sign-in:
// "<scheme>://auth?code=...&state=...". The scheme is not checked: whatever the
// desktop hands over as ours is ours.
struct SignInCallback {
    std::string code;
    std::string state;
};

// Nothing unless the host is exactly "auth" and both items are there (the first of
// each name counts; values are percent-decoded).
std::optional<SignInCallback> parseSignInCallback(const std::string& url);

// The service's connect page for a sign-in with this challenge and state.
std::string connectPageURL(const std::string& base, const std::string& challenge,
                           const std::string& state);

// Percent-encodes everything but the unreserved characters of RFC 3986.
std::string percentEncoded(const std::string& text);

}  // namespace kelvra
