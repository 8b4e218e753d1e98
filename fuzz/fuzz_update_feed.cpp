// Feeds arbitrary bytes as the update feed: parsing and choosing an update must never
// crash, and every item it keeps must be complete.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "diagnostics/UpdateFeed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto items =
        kelvra::parseUpdateFeed(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!items) return 0;
    for (const auto& item : *items) {
        if (item.version.empty() || item.url.empty() || item.length == 0 ||
            item.edSignature.empty()) {
            std::abort();
        }
        if (kelvra::compareVersions(item.version, item.version) != 0) std::abort();
    }
    kelvra::bestUpdate(*items, "1.0", "2.36");
    return 0;
}
