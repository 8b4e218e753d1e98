#pragma once

#include <string>
#include <string_view>

namespace kelvra {

// Whether `signatureBase64` is a valid Ed25519 signature of `data` under the public key
// `publicKeyBase64` (32 bytes, base64). Any malformed input is simply not valid.
bool verifyUpdateSignature(std::string_view data, std::string_view signatureBase64,
                           std::string_view publicKeyBase64);

// Strict base64 (with padding); nothing for anything else.
std::string decodeBase64(std::string_view text, bool& ok);

}  // namespace kelvra
