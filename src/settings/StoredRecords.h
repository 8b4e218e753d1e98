#pragma once

#include <optional>
#include <vector>

#include "port/UserDefaults.h"
#include "settings/CustomLayout.h"
#include "settings/ExcludedApp.h"
#include "settings/KeyCombo.h"
#include "settings/PlacementRule.h"
#include "settings/Workspace.h"

namespace kelvra {

// The JSON data the settings store keeps under its record keys: compact JSON
// (no pretty printing), members keyed by field name.
//
// Decoding gives nothing for anything but well-formed data of the right shape;
// it never throws. Data larger than maxStoredJsonSize counts as undecodable.
inline constexpr size_t maxStoredJsonSize = 4u * 1024 * 1024;

template <class T>
std::optional<T> decodeStoredJson(const port::Data& data);

// Nothing when the value cannot be encoded (text that is not valid UTF-8).
template <class T>
std::optional<port::Data> encodeStoredJson(const T& value);

#define KELVRA_STORED_RECORD(T)                                              \
    extern template std::optional<T> decodeStoredJson<T>(const port::Data&); \
    extern template std::optional<port::Data> encodeStoredJson<T>(const T&);
KELVRA_STORED_RECORD(ShortcutTable)
KELVRA_STORED_RECORD(std::vector<CustomLayout>)
KELVRA_STORED_RECORD(std::vector<Workspace>)
KELVRA_STORED_RECORD(std::vector<PlacementRule>)
KELVRA_STORED_RECORD(std::vector<ExcludedApp>)
#undef KELVRA_STORED_RECORD

}  // namespace kelvra
