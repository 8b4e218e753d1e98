// Feeds arbitrary bytes as the content of the settings file.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "backends/xdg/DefaultsFileFormat.h"

namespace {

bool isNaN(const kelvra::port::DefaultsValue& v) {
    return std::holds_alternative<double>(v) && std::isnan(std::get<double>(v));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelvra::xdg;
    auto entries = parseDomainFile(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!entries) return 0;
    for (const auto& [key, json] : *entries) {
        auto value = decodeDefaultsValue(json);
        if (!value || isNaN(*value)) continue;
        // Whatever we can read, we write back as the same value.
        if (decodeDefaultsValue(encodeDefaultsValue(*value)) != value) std::abort();
    }
    // What we read, we can write and read again unchanged.
    auto again = parseDomainFile(serializeDomainFile(*entries));
    if (!again || *again != *entries) std::abort();
    return 0;
}
