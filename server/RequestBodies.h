#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvra::server {

// POST /api/app/token
struct TokenRequest {
    std::string code;
    std::string verifier;
    std::string deviceId;
};

// PUT /api/sync/kelvra
struct UploadRequest {
    std::string blob;
    std::int64_t baseVersion = 0;
    std::string deviceId;
};

// POST /api/crash: the report is kept as sent, once it has the required members.
struct CrashReport {
    std::string installId;
    std::string json;
};

// Each returns nothing when the body is not the JSON object the endpoint expects
// (members missing or of the wrong type, out-of-range values); never throws.
std::optional<TokenRequest> decodeTokenRequest(std::string_view body);
std::optional<UploadRequest> decodeUploadRequest(std::string_view body);
std::optional<CrashReport> decodeCrashReport(std::string_view body);

// Whether `text` is a PKCE S256 challenge: 43 characters of the Base64url alphabet.
bool isS256Challenge(std::string_view text);

}  // namespace kelvra::server
