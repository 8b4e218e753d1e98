#include "settings/StoredRecords.h"

#include <nlohmann/json.hpp>

namespace kelvra {

namespace {

// Our records nest four levels at most; the limit keeps hostile data from
// reaching the recursive parts of the JSON library.
constexpr int maxDepth = 32;

struct TooDeep {};

std::optional<nlohmann::json> parse(const port::Data& data) {
    if (data.size() > maxStoredJsonSize) return std::nullopt;
    try {
        return nlohmann::json::parse(data.begin(), data.end(),
                                     [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
                                         if (depth > maxDepth) throw TooDeep{};
                                         return true;
                                     });
    } catch (const TooDeep&) {
    } catch (const nlohmann::json::exception&) {
    }
    return std::nullopt;
}

ShortcutTable shortcutTableFrom(const nlohmann::json& j) {
    if (!j.is_object()) {
        throw nlohmann::json::type_error::create(302, "shortcut table must be an object", &j);
    }
    ShortcutTable table;
    for (const auto& [name, combo] : j.items()) table[name] = combo.get<KeyCombo>();
    return table;
}

}  // namespace

template <class T>
std::optional<T> decodeStoredJson(const port::Data& data) {
    auto j = parse(data);
    if (!j) return std::nullopt;
    try {
        if constexpr (std::is_same_v<T, ShortcutTable>) {
            return shortcutTableFrom(*j);
        } else {
            if (!j->is_array()) return std::nullopt;
            return j->template get<T>();
        }
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

template <class T>
std::optional<port::Data> encodeStoredJson(const T& value) {
    try {
        std::string text = nlohmann::json(value).dump();
        return port::Data(text.begin(), text.end());
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

#define KELVRA_STORED_RECORD(T)                                       \
    template std::optional<T> decodeStoredJson<T>(const port::Data&); \
    template std::optional<port::Data> encodeStoredJson<T>(const T&);
KELVRA_STORED_RECORD(ShortcutTable)
KELVRA_STORED_RECORD(std::vector<CustomLayout>)
KELVRA_STORED_RECORD(std::vector<Workspace>)
KELVRA_STORED_RECORD(std::vector<PlacementRule>)
KELVRA_STORED_RECORD(std::vector<ExcludedApp>)
#undef KELVRA_STORED_RECORD

}  // namespace kelvra
