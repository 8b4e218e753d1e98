#pragma once

#include <string>
#include <string_view>

namespace kelvra::server {

// Secure random bytes (OpenSSL RAND_bytes); throws when the generator fails.
std::string randomBytes(std::size_t count);

// Base64url without padding (RFC 4648 section 5), the alphabet of codes and tokens.
std::string base64url(std::string_view bytes);

// `count` random bytes as Base64url: codes and tokens.
std::string randomToken(std::size_t count = 32);

// SHA-256 of `bytes` as lower-case hex: how codes and tokens are stored, so a copy of
// the database does not hand out working credentials.
std::string sha256Hex(std::string_view bytes);

// The PKCE S256 challenge of a verifier: Base64url(SHA-256(verifier)).
std::string s256Challenge(std::string_view verifier);

// Equality that takes the same time wherever the first difference is.
bool constantTimeEquals(std::string_view a, std::string_view b);

// A slow salted password hash, "pbkdf2-sha256$<iterations>$<salt>$<hash>" (salt and
// hash Base64url). The iteration count travels with the hash, so raising the default
// later still verifies old hashes.
inline constexpr int kDefaultPasswordIterations = 600000;
std::string hashPassword(std::string_view password, int iterations = kDefaultPasswordIterations);
bool verifyPassword(std::string_view password, std::string_view stored);

}  // namespace kelvra::server
