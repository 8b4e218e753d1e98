// Feeds arbitrary bytes as a crash record left by an earlier run: reading must never
// crash, and what it accepts must be within the record's bounds.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "diagnostics/CrashRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto record =
        kelvra::parseCrashRecord(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!record) return 0;
    if (record->frames.size() > 256) std::abort();
    if (record->signal && (*record->signal <= 0 || *record->signal > 64)) std::abort();
    return 0;
}
