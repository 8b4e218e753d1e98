#include "diagnostics/UpdateSignature.h"

#include <openssl/evp.h>

#include <memory>
#include <vector>

namespace kelvra {

std::string decodeBase64(std::string_view text, bool& ok) {
    ok = false;
    if (text.empty() || text.size() % 4 != 0 || text.size() > (size_t{1} << 20)) return {};
    std::vector<unsigned char> out(text.size() / 4 * 3);
    int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                            static_cast<int>(text.size()));
    if (n < 0) return {};
    // EVP_DecodeBlock counts the padding as zero bytes.
    size_t padding = (text.back() == '=') + (text.size() > 1 && text[text.size() - 2] == '=');
    ok = true;
    return std::string(reinterpret_cast<char*>(out.data()), static_cast<size_t>(n) - padding);
}

bool verifyUpdateSignature(std::string_view data, std::string_view signatureBase64,
                           std::string_view publicKeyBase64) {
    bool ok = false;
    auto key = decodeBase64(publicKeyBase64, ok);
    if (!ok || key.size() != 32) return false;
    auto signature = decodeBase64(signatureBase64, ok);
    if (!ok || signature.size() != 64) return false;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> pkey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char*>(key.data()), key.size()),
        EVP_PKEY_free);
    if (!pkey) return false;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, pkey.get()) != 1) {
        return false;
    }
    return EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                            signature.size(), reinterpret_cast<const unsigned char*>(data.data()),
                            data.size()) == 1;
}

}  // namespace kelvra
