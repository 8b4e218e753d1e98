#pragma once

#include <cstddef>
#include <string>

namespace kelvra {

// The browser sign-in's proof key (RFC 7636, S256) and its anti-forgery value.

// `byteCount` bytes from the secure random source in Base64url without padding
// (letters, digits, "-" and "_" only): 32 bytes give 43 characters, 16 give 22.
// Empty when the secure source fails.
std::string randomURLBase64(size_t byteCount);

// The SHA-256 digest of the verifier's bytes in Base64url without padding.
std::string proofKeyChallenge(const std::string& verifier);

// Base64url without padding of any bytes.
std::string base64URL(const unsigned char* bytes, size_t size);

}  // namespace kelvra
