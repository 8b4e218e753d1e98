#include "settings/Uuid.h"

#include <openssl/rand.h>

#include <cctype>
#include <nlohmann/json.hpp>
#include <random>

namespace kelvra {

Uuid Uuid::random() {
    std::array<uint8_t, 16> b{};
    if (RAND_bytes(b.data(), static_cast<int>(b.size())) != 1) {
        // The secure source failing is unheard of; fall back rather than hand out zeros.
        std::random_device rd;
        for (auto& x : b) x = static_cast<uint8_t>(rd());
    }
    b[6] = static_cast<uint8_t>((b[6] & 0x0f) | 0x40);  // version 4
    b[8] = static_cast<uint8_t>((b[8] & 0x3f) | 0x80);  // RFC 4122 variant
    return Uuid(b);
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != 36) return std::nullopt;
    std::array<uint8_t, 16> b{};
    size_t bi = 0;
    for (size_t i = 0; i < 36;) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') return std::nullopt;
            ++i;
            continue;
        }
        auto hex = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            return -1;
        };
        int hi = hex(text[i]), lo = hex(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        b[bi++] = static_cast<uint8_t>(hi * 16 + lo);
        i += 2;
    }
    return Uuid(b);
}

std::string Uuid::uuidString() const {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    s.reserve(36);
    for (size_t i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) s.push_back('-');
        s.push_back(digits[bytes_[i] >> 4]);
        s.push_back(digits[bytes_[i] & 0x0f]);
    }
    return s;
}

void to_json(nlohmann::json& j, const Uuid& id) {
    j = id.uuidString();
}

void from_json(const nlohmann::json& j, Uuid& id) {
    if (!j.is_string()) throw nlohmann::json::type_error::create(302, "UUID must be a string", &j);
    auto parsed = Uuid::parse(j.get_ref<const std::string&>());
    if (!parsed) throw nlohmann::json::other_error::create(501, "not a UUID", &j);
    id = *parsed;
}

}  // namespace kelvra
