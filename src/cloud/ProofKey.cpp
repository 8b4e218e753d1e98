#include "cloud/ProofKey.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <vector>

namespace kelvra {

std::string base64URL(const unsigned char* bytes, size_t size) {
    std::string out(4 * ((size + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes,
                            static_cast<int>(size));
    out.resize(static_cast<size_t>(n));
    while (!out.empty() && out.back() == '=') out.pop_back();
    for (char& c : out) {
        if (c == '+') c = '-';
        if (c == '/') c = '_';
    }
    return out;
}

std::string randomURLBase64(size_t byteCount) {
    std::vector<unsigned char> bytes(byteCount);
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        // A guessable proof key would let anyone finish the sign-in: no fallback.
        return {};
    }
    return base64URL(bytes.data(), bytes.size());
}

std::string proofKeyChallenge(const std::string& verifier) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(verifier.data()), verifier.size(), digest);
    return base64URL(digest, sizeof digest);
}

}  // namespace kelvra
