#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace kelvra {

// A 128-bit identifier. Its text form is the canonical 36-character form with
// hyphens and upper-case hexadecimal digits.
class Uuid {
  public:
    Uuid() = default;
    explicit Uuid(const std::array<uint8_t, 16>& bytes) : bytes_(bytes) {}

    // A fresh random (version 4) identifier from a secure source.
    static Uuid random();
    // Accepts the canonical form in either letter case; nothing for anything else.
    static std::optional<Uuid> parse(std::string_view text);

    std::string uuidString() const;
    const std::array<uint8_t, 16>& bytes() const { return bytes_; }

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend auto operator<=>(const Uuid&, const Uuid&) = default;

  private:
    std::array<uint8_t, 16> bytes_{};
};

// JSON: the upper-case canonical string; decoding any other value throws.
void to_json(nlohmann::json& j, const Uuid& id);
void from_json(const nlohmann::json& j, Uuid& id);

}  // namespace kelvra

template <>
struct std::hash<kelvra::Uuid> {
    size_t operator()(const kelvra::Uuid& u) const noexcept {
        size_t h = 0;
        for (auto b : u.bytes()) h = h * 131 + b;
        return h;
    }
};
