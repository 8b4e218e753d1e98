#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "backends/bridge/BridgeMessages.h"

// Text <-> typed messages of the bridge protocol (docs/bridge-protocol.md).
namespace kelvra::bridge {

struct Decoded {
    std::optional<FromBridge> message;
    std::string error;  // set when message is empty: why the text was refused
};

// Reads one message from the bridge. Never throws: garbage, another protocol version,
// a missing or wrong token (every message but hello carries `token`) and malformed
// fields all come back as an error text.
Decoded decodeFromBridge(std::string_view text, std::string_view token);

// Writes one message to the bridge. `token` goes into every message but `rejected`.
// Text that is not valid UTF-8 is repaired rather than refused.
std::string encodeToBridge(const ToBridge& message, std::string_view token);

}  // namespace kelvra::bridge
