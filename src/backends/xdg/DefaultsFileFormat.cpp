#include "backends/xdg/DefaultsFileFormat.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace kelvra::xdg {

namespace {

// Our own files are three levels deep at most; a limit keeps a hostile file from
// exhausting the stack in the recursive parts of the JSON library.
constexpr size_t maxDepth = 64;

struct TooDeep {};

std::string base64Encode(const port::Data& data) {
    std::string out(4 * ((data.size() + 2) / 3), '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data.data(),
                            static_cast<int>(data.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

std::optional<port::Data> base64Decode(const std::string& text) {
    // EVP_DecodeBlock tolerates surrounding blanks and reports padding as zero
    // bytes, so check the strict form first and trim the padding after.
    if (text.size() % 4 != 0) return std::nullopt;
    size_t padding = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '+' || c == '/';
        if (c == '=' && i + 2 >= text.size()) {
            ++padding;
        } else if (!alphabet || padding > 0) {
            return std::nullopt;
        }
    }
    if (text.empty()) return port::Data{};
    if (text.size() > static_cast<size_t>(std::numeric_limits<int>::max())) return std::nullopt;
    port::Data out(text.size() / 4 * 3);
    int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                            static_cast<int>(text.size()));
    if (n < 0 || static_cast<size_t>(n) < padding) return std::nullopt;
    out.resize(static_cast<size_t>(n) - padding);
    return out;
}

std::optional<std::string> onlyStringMember(const nlohmann::json& j, const char* name) {
    if (!j.is_object() || j.size() != 1) return std::nullopt;
    auto it = j.find(name);
    if (it == j.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

std::optional<port::Data> compactText(const nlohmann::json& j) {
    try {
        std::string text = j.dump();
        return port::Data(text.begin(), text.end());
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<DomainEntries> parseDomainFile(std::string_view content) {
    nlohmann::json root;
    try {
        root = nlohmann::json::parse(content.begin(), content.end(),
                                     [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
                                         if (static_cast<size_t>(depth) > maxDepth) throw TooDeep{};
                                         return true;
                                     });
    } catch (const TooDeep&) {
        return std::nullopt;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
    if (!root.is_object()) return std::nullopt;
    DomainEntries entries;
    for (auto& [key, value] : root.items()) entries[key] = std::move(value);
    return entries;
}

std::string serializeDomainFile(const DomainEntries& entries) {
    nlohmann::json root = nlohmann::json::object();
    for (const auto& [key, value] : entries) root[key] = value;
    // Replace rather than fail on invalid UTF-8 that a kept member might hold.
    return root.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

nlohmann::json encodeDefaultsValue(const port::DefaultsValue& value) {
    struct Encoder {
        nlohmann::json operator()(bool b) const { return b; }
        nlohmann::json operator()(double d) const {
            if (std::isnan(d)) return {{"$double", "nan"}};
            if (std::isinf(d)) return {{"$double", d > 0 ? "inf" : "-inf"}};
            return d;
        }
        nlohmann::json operator()(const std::string& s) const { return s; }
        nlohmann::json operator()(const port::StringArray& a) const {
            nlohmann::json j = nlohmann::json::array();
            for (const auto& s : a) j.push_back(s);
            return j;
        }
        nlohmann::json operator()(const port::Data& d) const {
            // Records are JSON text: keep them readable (and editable by hand) when
            // writing them back gives the very same bytes; anything else as base64.
            std::string_view text(reinterpret_cast<const char*>(d.data()), d.size());
            auto parsed = nlohmann::json::parse(text, nullptr, false);
            if (!parsed.is_discarded() && (parsed.is_object() || parsed.is_array())) {
                try {
                    if (parsed.dump() == text) return {{"$json", std::move(parsed)}};
                } catch (const nlohmann::json::exception&) {
                }
            }
            return {{"$data", base64Encode(d)}};
        }
    };
    return std::visit(Encoder{}, value);
}

std::optional<port::DefaultsValue> decodeDefaultsValue(const nlohmann::json& j) {
    if (j.is_null()) return std::nullopt;
    if (j.is_boolean()) return port::DefaultsValue(j.get<bool>());
    if (j.is_number()) return port::DefaultsValue(j.get<double>());
    if (j.is_string()) return port::DefaultsValue(j.get<std::string>());
    if (j.is_array() &&
        std::all_of(j.begin(), j.end(), [](const auto& e) { return e.is_string(); })) {
        port::StringArray a;
        for (const auto& e : j) a.push_back(e.get<std::string>());
        return port::DefaultsValue(std::move(a));
    }
    if (auto b64 = onlyStringMember(j, "$data")) {
        if (auto data = base64Decode(*b64)) return port::DefaultsValue(std::move(*data));
    } else if (j.is_object() && j.size() == 1 && j.contains("$json")) {
        const auto& inner = j["$json"];
        if (inner.is_object() || inner.is_array()) {
            if (auto text = compactText(inner)) return port::DefaultsValue(std::move(*text));
        }
    } else if (auto special = onlyStringMember(j, "$double")) {
        if (*special == "nan") return port::DefaultsValue(std::numeric_limits<double>::quiet_NaN());
        if (*special == "inf") return port::DefaultsValue(std::numeric_limits<double>::infinity());
        if (*special == "-inf")
            return port::DefaultsValue(-std::numeric_limits<double>::infinity());
    }
    // Any other form: the member as it stands, so that nothing readable is lost.
    if (auto text = compactText(j)) return port::DefaultsValue(std::move(*text));
    return std::nullopt;
}

}  // namespace kelvra::xdg
