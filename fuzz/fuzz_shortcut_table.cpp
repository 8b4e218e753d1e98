// Feeds arbitrary bytes as the stored "shortcuts" data, through the settings store's
// decoder; whatever decodes must encode and decode to the same value.
#include <cstdint>
#include <cstdlib>

#include "settings/StoredRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvra;
    using T = kelvra::ShortcutTable;
    auto decoded = decodeStoredJson<T>(port::Data(data, data + size));
    if (!decoded) return 0;
    auto encoded = encodeStoredJson(*decoded);
    if (!encoded || decodeStoredJson<T>(*encoded) != decoded) std::abort();
    return 0;
}
