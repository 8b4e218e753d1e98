#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

// One stack frame as the crash handler saw it: the offset into the module that holds
// the address (or the bare address when no module holds it), that module's build id
// and path. Symbols are looked up later, at the next start.
struct CrashFrame {
    uint64_t offset = 0;
    std::string buildID;  // lower-case hex; empty when unknown
    std::string module;   // file path; empty when the address lies in no known module
};

// What the crash handler writes about one crash. The text form, one item a line:
//   kelvra-crash 1
//   signal 11            (absent when there was none)
//   address 0x...        the fault address
//   time 1733550000      seconds since the epoch
//   cause terminate      (only for an uncaught exception)
//   version / build / arch / os  followed by the text
//   frame 0xOFFSET BUILDID|- PATH|-
//   end
// A record without its "end" line was cut short and counts as damaged.
struct CrashRecord {
    std::optional<int> signal;
    uint64_t faultAddress = 0;
    int64_t time = 0;
    std::string cause;
    std::string version;
    std::string build;
    std::string arch;
    std::string os;
    std::vector<CrashFrame> frames;
};

inline constexpr const char* kCrashRecordMagic = "kelvra-crash 1";
inline constexpr const char* kCrashRecordSuffix = ".crash";
// Records are small; anything much larger is not one of ours.
inline constexpr size_t kMaxCrashRecordBytes = 256 * 1024;

// Reads a record; nothing when the text is not a complete, well-formed record.
std::optional<CrashRecord> parseCrashRecord(std::string_view text);

}  // namespace kelvra
