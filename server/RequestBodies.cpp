#include "RequestBodies.h"

#include <nlohmann/json.hpp>

namespace kelvra::server {

namespace {

using nlohmann::json;

constexpr std::size_t kMaxIdLength = 256;
// No body the service accepts nests deeper than a few levels; a crash report's extras
// get some room.
constexpr std::size_t kMaxDepth = 32;

// A first pass that only counts nesting and gives up at the limit, before the
// document is built: a body of brackets costs a scan, not a tree.
class DepthCheck final : public nlohmann::json_sax<json> {
  public:
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return ++depth_ <= kMaxDepth; }
    bool key(string_t&) override { return true; }
    bool end_object() override { return --depth_, true; }
    bool start_array(std::size_t) override { return ++depth_ <= kMaxDepth; }
    bool end_array() override { return --depth_, true; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

  private:
    std::size_t depth_ = 0;
};

std::optional<json> parseObject(std::string_view body) {
    DepthCheck check;
    if (!json::sax_parse(body, &check)) return std::nullopt;
    json value = json::parse(body, nullptr, /*allow_exceptions=*/false);
    if (!value.is_object()) return std::nullopt;
    return value;
}

const std::string* stringMember(const json& object, const char* key,
                                std::size_t maxLength = std::string::npos) {
    auto it = object.find(key);
    if (it == object.end() || !it->is_string()) return nullptr;
    const auto* s = it->get_ptr<const std::string*>();
    return s->size() <= maxLength ? s : nullptr;
}

// Members that, when present, must have the given kind; absent is fine.
bool optionalInteger(const json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() || it->is_number_integer();
}

bool optionalString(const json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() || it->is_string();
}

bool isUnreserved(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// RFC 7636: 43 to 128 unreserved characters.
bool isVerifier(std::string_view text) {
    if (text.size() < 43 || text.size() > 128) return false;
    for (char c : text)
        if (!isUnreserved(c)) return false;
    return true;
}

}  // namespace

bool isS256Challenge(std::string_view text) {
    if (text.size() != 43) return false;
    for (char c : text)
        if (!isUnreserved(c) || c == '.' || c == '~') return false;
    return true;
}

std::optional<TokenRequest> decodeTokenRequest(std::string_view body) {
    auto object = parseObject(body);
    if (!object) return std::nullopt;
    const auto* code = stringMember(*object, "code", kMaxIdLength);
    const auto* verifier = stringMember(*object, "verifier");
    const auto* deviceId = stringMember(*object, "deviceId", kMaxIdLength);
    if (!code || code->empty() || !verifier || !isVerifier(*verifier) || !deviceId) {
        return std::nullopt;
    }
    return TokenRequest{*code, *verifier, *deviceId};
}

std::optional<UploadRequest> decodeUploadRequest(std::string_view body) {
    auto object = parseObject(body);
    if (!object) return std::nullopt;
    const auto* blob = stringMember(*object, "blob");
    const auto* deviceId = stringMember(*object, "deviceId", kMaxIdLength);
    auto base = object->find("baseVersion");
    if (!blob || !deviceId || base == object->end() || !base->is_number_integer()) {
        return std::nullopt;
    }
    // An unsigned JSON number beyond int64 is still "integer" to the library.
    if (base->is_number_unsigned() && base->get<std::uint64_t>() > INT64_MAX) return std::nullopt;
    auto version = base->get<std::int64_t>();
    if (version < 0) return std::nullopt;
    return UploadRequest{*blob, version, *deviceId};
}

std::optional<CrashReport> decodeCrashReport(std::string_view body) {
    auto object = parseObject(body);
    if (!object) return std::nullopt;
    const auto* type = stringMember(*object, "type");
    const auto* installId = stringMember(*object, "installID", kMaxIdLength);
    if (!type || *type != "crash" || !installId) return std::nullopt;
    for (const char* key : {"app", "appVersion", "build", "osVersion", "arch", "callStack"}) {
        if (!stringMember(*object, key)) return std::nullopt;
    }
    for (const char* key : {"signal", "exceptionType", "exceptionCode"}) {
        if (!optionalInteger(*object, key)) return std::nullopt;
    }
    if (!optionalString(*object, "terminationReason")) return std::nullopt;
    return CrashReport{*installId, std::string(body)};
}

}  // namespace kelvra::server
