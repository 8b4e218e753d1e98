#include "Crypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <charconv>
#include <stdexcept>
#include <vector>

namespace kelvra::server {

namespace {

std::string fromBase64url(std::string_view text) {
    std::string s(text);
    for (char& c : s) {
        if (c == '-') c = '+';
        if (c == '_') c = '/';
    }
    while (s.size() % 4 != 0) s.push_back('=');
    std::vector<unsigned char> out(s.size() / 4 * 3 + 1);
    int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(s.data()),
                            static_cast<int>(s.size()));
    if (n < 0) return {};
    // EVP_DecodeBlock counts the padding as zero bytes; drop them again.
    std::size_t pad = s.size() - text.size();
    return std::string(reinterpret_cast<const char*>(out.data()),
                       static_cast<std::size_t>(n) - pad);
}

std::string pbkdf2(std::string_view password, std::string_view salt, int iterations) {
    unsigned char out[32];
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                          reinterpret_cast<const unsigned char*>(salt.data()),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(), sizeof out,
                          out) != 1) {
        throw std::runtime_error("PBKDF2 failed");
    }
    return std::string(reinterpret_cast<const char*>(out), sizeof out);
}

}  // namespace

std::string randomBytes(std::size_t count) {
    std::string out(count, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(out.data()), static_cast<int>(count)) != 1) {
        throw std::runtime_error("the secure random generator failed");
    }
    return out;
}

std::string base64url(std::string_view bytes) {
    std::vector<unsigned char> out(4 * ((bytes.size() + 2) / 3) + 1);
    int n = EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                            static_cast<int>(bytes.size()));
    std::string s(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(n));
    while (!s.empty() && s.back() == '=') s.pop_back();
    for (char& c : s) {
        if (c == '+') c = '-';
        if (c == '/') c = '_';
    }
    return s;
}

std::string randomToken(std::size_t count) {
    return base64url(randomBytes(count));
}

std::string sha256Hex(std::string_view bytes) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : digest) {
        out.push_back(hex[b >> 4]);
        out.push_back(hex[b & 15]);
    }
    return out;
}

std::string s256Challenge(std::string_view verifier) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(verifier.data()), verifier.size(), digest);
    return base64url(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest));
}

bool constantTimeEquals(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string hashPassword(std::string_view password, int iterations) {
    std::string salt = randomBytes(16);
    return "pbkdf2-sha256$" + std::to_string(iterations) + "$" + base64url(salt) + "$" +
           base64url(pbkdf2(password, salt, iterations));
}

bool verifyPassword(std::string_view password, std::string_view stored) {
    constexpr std::string_view prefix = "pbkdf2-sha256$";
    if (stored.substr(0, prefix.size()) != prefix) return false;
    std::string_view rest = stored.substr(prefix.size());
    auto d1 = rest.find('$');
    if (d1 == std::string_view::npos) return false;
    auto d2 = rest.find('$', d1 + 1);
    if (d2 == std::string_view::npos) return false;
    int iterations = 0;
    auto [end, ec] = std::from_chars(rest.data(), rest.data() + d1, iterations);
    if (ec != std::errc() || end != rest.data() + d1 || iterations < 1) return false;
    std::string salt = fromBase64url(rest.substr(d1 + 1, d2 - d1 - 1));
    std::string expected = fromBase64url(rest.substr(d2 + 1));
    if (salt.empty() || expected.empty()) return false;
    return constantTimeEquals(pbkdf2(password, salt, iterations), expected);
}

}  // namespace kelvra::server
