#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include <nlohmann/json.hpp>

// Strict reading of record members: a record decodes only when every required
// member is present with the right JSON type. Failures throw nlohmann::json
// exceptions, which fail the decode of the record and of the list around it.
namespace kelvra::json_members {

inline void requireObject(const nlohmann::json& j, const char* record) {
    if (!j.is_object()) {
        throw nlohmann::json::type_error::create(302, std::string(record) + " must be an object",
                                                 &j);
    }
}

inline const nlohmann::json& required(const nlohmann::json& j, const char* name) {
    auto it = j.find(name);
    if (it == j.end()) {
        throw nlohmann::json::out_of_range::create(403, std::string("missing member ") + name, &j);
    }
    return *it;
}

// Nothing when the member is missing or null.
inline const nlohmann::json* optional(const nlohmann::json& j, const char* name) {
    auto it = j.find(name);
    if (it == j.end() || it->is_null()) return nullptr;
    return &*it;
}

[[noreturn]] inline void mistyped(const nlohmann::json& v, const char* name, const char* kind) {
    throw nlohmann::json::type_error::create(
        302, std::string("member ") + name + " must be " + kind, &v);
}

inline std::string string(const nlohmann::json& v, const char* name) {
    if (!v.is_string()) mistyped(v, name, "a string");
    return v.get<std::string>();
}

inline bool boolean(const nlohmann::json& v, const char* name) {
    if (!v.is_boolean()) mistyped(v, name, "a Boolean");
    return v.get<bool>();
}

inline double number(const nlohmann::json& v, const char* name) {
    if (!v.is_number()) mistyped(v, name, "a number");
    return v.get<double>();
}

// A whole JSON number within [lo, hi]; a fraction or a value out of range fails.
inline int64_t integerIn(const nlohmann::json& v, const char* name, int64_t lo, int64_t hi) {
    if (v.is_number_unsigned()) {
        auto u = v.get<uint64_t>();
        if (u > static_cast<uint64_t>(hi)) mistyped(v, name, "an integer in range");
        return static_cast<int64_t>(u);
    }
    if (!v.is_number_integer()) mistyped(v, name, "an integer");
    auto i = v.get<int64_t>();
    if (i < lo || i > hi) mistyped(v, name, "an integer in range");
    return i;
}

inline int integer(const nlohmann::json& v, const char* name) {
    return static_cast<int>(
        integerIn(v, name, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

inline uint32_t unsigned32(const nlohmann::json& v, const char* name) {
    return static_cast<uint32_t>(integerIn(v, name, 0, std::numeric_limits<uint32_t>::max()));
}

}  // namespace kelvra::json_members
