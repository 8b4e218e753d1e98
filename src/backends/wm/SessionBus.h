#pragma once

#include <gio/gio.h>

#include <string>

namespace kelvra::wm {

// One blocking call on the session bus, bounded in time. The reply (owned by the
// caller, g_variant_unref), or null with the bus's error text in `error` (its D-Bus
// error name first, so a caller can tell "no such property" from "no such service").
GVariant* callSessionBus(const char* service, const char* path, const char* interface,
                         const char* method, GVariant* arguments, std::string& error,
                         int timeoutMs = 3000);

}  // namespace kelvra::wm
