#pragma once

#include <map>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "diagnostics/CrashRecord.h"

namespace kelvra::crash {

// Finds function names and source lines for the frames of a crash record, at the next
// start, with elfutils' libdw: it reads the symbol tables and DWARF line tables of the
// module files on disk (and separate debug files where the system has them) and checks
// each file's build id, so a module updated since the crash gives no wrong names.
class DwSymbolizer {
  public:
    DwSymbolizer();
    ~DwSymbolizer();
    DwSymbolizer(const DwSymbolizer&) = delete;
    DwSymbolizer& operator=(const DwSymbolizer&) = delete;

    // The frame as a JSON object: module, offset and build id, plus "function", "file"
    // and "line" when they were found.
    nlohmann::json operator()(const CrashFrame& frame);

  private:
    struct Session;
    Session* session(const std::string& module);
    std::map<std::string, std::unique_ptr<Session>> sessions_;
};

}  // namespace kelvra::crash
