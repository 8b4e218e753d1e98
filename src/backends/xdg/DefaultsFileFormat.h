#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "port/UserDefaults.h"

namespace kelvra::xdg {

// The settings file is one JSON object, one member per key. Each value kind has a
// form of its own, so that reading it back gives the same kind:
//   Boolean       true / false
//   double        a JSON number, written with a fraction ("8.0"), so whole values
//                 stay doubles; infinities and NaN, which JSON cannot hold, as
//                 {"$double": "inf" | "-inf" | "nan"}
//   string        a JSON string
//   string array  a JSON array of strings
//   data          {"$json": <value>} when the data is a JSON object or array that
//                 writes back to the very same bytes (the stored records), so the
//                 file stays readable; otherwise {"$data": "<standard base64>"}
// A member in any other form (a hand edit, a newer version, a broken "$data" or
// "$json" wrapper) reads as data holding the member's own compact JSON text: a reader
// that expects a record then decodes a record written as plain JSON, and sets aside
// anything else like any record that does not decode. The member itself is kept
// untouched and written back as it stands until it is set. null reads as no value.
using DomainEntries = std::map<std::string, nlohmann::json>;

// Nothing when the content is not a JSON object (garbage, cut short, too deeply
// nested, another top-level type).
std::optional<DomainEntries> parseDomainFile(std::string_view content);

// Human-readable, sorted by key, ending in a newline.
std::string serializeDomainFile(const DomainEntries& entries);

nlohmann::json encodeDefaultsValue(const port::DefaultsValue& value);
std::optional<port::DefaultsValue> decodeDefaultsValue(const nlohmann::json& json);

}  // namespace kelvra::xdg
