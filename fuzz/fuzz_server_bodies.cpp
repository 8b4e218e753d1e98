// Feeds arbitrary bytes to kelvra-server's request-body decoders, which read what any
// client on the network sends: none may crash, and whatever decodes must hold the
// limits the server relies on.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "RequestBodies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvra::server;
    std::string_view body(reinterpret_cast<const char*>(data), size);
    if (auto token = decodeTokenRequest(body)) {
        if (token->code.empty() || token->verifier.size() < 43 || token->verifier.size() > 128) {
            std::abort();
        }
    }
    if (auto upload = decodeUploadRequest(body)) {
        if (upload->baseVersion < 0) std::abort();
    }
    if (auto crash = decodeCrashReport(body)) {
        if (crash->json != body) std::abort();
    }
    return 0;
}
