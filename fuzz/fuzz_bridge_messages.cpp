// Feeds arbitrary bytes as what the compositor bridge sends, one message per line:
// decoding must never crash or throw, and the mirror the decoded messages are applied
// to must stay consistent whatever order they come in.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "backends/bridge/BridgeCodec.h"
#include "backends/bridge/BridgeMirror.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    kelvra::bridge::BridgeMirror mirror;
    while (!input.empty()) {
        size_t end = input.find('\n');
        std::string_view line = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        auto decoded = kelvra::bridge::decodeFromBridge(line, "tok");
        if (decoded.message.has_value() == !decoded.error.empty()) std::abort();
        if (decoded.message) mirror.apply(*decoded.message);
    }
    std::set<std::string> ids;
    for (const auto* w : mirror.windows()) {
        if (!ids.insert(w->id).second || mirror.window(w->id) != w) std::abort();
        if (w->frame.width < 0 || w->frame.height < 0) std::abort();
    }
    if (mirror.activeWindow() && !ids.contains(mirror.activeWindow()->id)) std::abort();
    if (mirror.move() && !ids.contains(mirror.move()->window)) std::abort();
    return 0;
}
