#include "diagnostics/CrashRecord.h"

#include <charconv>

namespace kelvra {

namespace {

constexpr size_t maxFrames = 256;

bool parseHex(std::string_view text, uint64_t& out) {
    if (text.size() < 3 || text.substr(0, 2) != "0x") return false;
    text.remove_prefix(2);
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, 16);
    return ec == std::errc() && end == text.data() + text.size();
}

template <typename T>
bool parseDecimal(std::string_view text, T& out) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

bool isHexDigits(std::string_view text) {
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return !text.empty();
}

bool parseFrame(std::string_view rest, CrashFrame& frame) {
    auto space = rest.find(' ');
    if (space == std::string_view::npos || !parseHex(rest.substr(0, space), frame.offset)) {
        return false;
    }
    rest.remove_prefix(space + 1);
    space = rest.find(' ');
    if (space == std::string_view::npos) return false;
    auto id = rest.substr(0, space);
    if (id != "-") {
        if (!isHexDigits(id) || id.size() > 128) return false;
        frame.buildID = std::string(id);
    }
    auto path = rest.substr(space + 1);
    if (path.empty()) return false;
    if (path != "-") frame.module = std::string(path);
    return true;
}

}  // namespace

std::optional<CrashRecord> parseCrashRecord(std::string_view text) {
    if (text.size() > kMaxCrashRecordBytes) return std::nullopt;
    CrashRecord record;
    bool first = true;
    bool ended = false;
    while (!text.empty()) {
        auto newline = text.find('\n');
        if (newline == std::string_view::npos) return std::nullopt;  // cut short
        auto line = text.substr(0, newline);
        text.remove_prefix(newline + 1);
        if (ended) return std::nullopt;  // nothing may follow the end
        if (first) {
            if (line != kCrashRecordMagic) return std::nullopt;
            first = false;
            continue;
        }
        if (line == "end") {
            ended = true;
            continue;
        }
        auto space = line.find(' ');
        if (space == std::string_view::npos) return std::nullopt;
        auto key = line.substr(0, space);
        auto value = line.substr(space + 1);
        if (key == "signal") {
            int signal = 0;
            if (!parseDecimal(value, signal) || signal <= 0 || signal > 64) return std::nullopt;
            record.signal = signal;
        } else if (key == "address") {
            if (!parseHex(value, record.faultAddress)) return std::nullopt;
        } else if (key == "time") {
            if (!parseDecimal(value, record.time)) return std::nullopt;
        } else if (key == "cause") {
            record.cause = std::string(value);
        } else if (key == "version") {
            record.version = std::string(value);
        } else if (key == "build") {
            record.build = std::string(value);
        } else if (key == "arch") {
            record.arch = std::string(value);
        } else if (key == "os") {
            record.os = std::string(value);
        } else if (key == "frame") {
            if (record.frames.size() >= maxFrames) return std::nullopt;
            CrashFrame frame;
            if (!parseFrame(value, frame)) return std::nullopt;
            record.frames.push_back(std::move(frame));
        }
        // Unknown keys come from newer versions: skipped.
    }
    if (!ended) return std::nullopt;
    return record;
}

}  // namespace kelvra
