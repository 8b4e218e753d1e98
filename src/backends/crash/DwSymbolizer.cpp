#include "backends/crash/DwSymbolizer.h"

#include <cxxabi.h>
#include <elfutils/libdwfl.h>

#include <cstdio>
#include <cstdlib>

#include "diagnostics/CrashReporter.h"

namespace kelvra::crash {

namespace {

const Dwfl_Callbacks offlineCallbacks = {dwfl_build_id_find_elf, dwfl_standard_find_debuginfo,
                                         dwfl_offline_section_address, nullptr};

std::string demangled(const char* name) {
    int status = 0;
    char* text = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    if (status != 0 || !text) return name;
    std::string result(text);
    std::free(text);
    return result;
}

std::string hexBytes(const unsigned char* bytes, int length) {
    std::string text;
    for (int i = 0; i < length; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

}  // namespace

struct DwSymbolizer::Session {
    Dwfl* dwfl = nullptr;
    Dwfl_Module* module = nullptr;
    std::string buildID;
    ~Session() {
        if (dwfl) dwfl_end(dwfl);
    }
};

DwSymbolizer::DwSymbolizer() = default;
DwSymbolizer::~DwSymbolizer() = default;

DwSymbolizer::Session* DwSymbolizer::session(const std::string& module) {
    auto it = sessions_.find(module);
    if (it != sessions_.end()) return it->second.get();
    auto s = std::make_unique<Session>();
    s->dwfl = dwfl_begin(&offlineCallbacks);
    if (s->dwfl) {
        dwfl_report_begin(s->dwfl);
        // Loaded at bias 0, so a frame's offset is the module's own address.
        s->module = dwfl_report_elf(s->dwfl, module.c_str(), module.c_str(), -1, 0, false);
        dwfl_report_end(s->dwfl, nullptr, nullptr);
        if (s->module) {
            const unsigned char* bits = nullptr;
            GElf_Addr vaddr = 0;
            int length = dwfl_module_build_id(s->module, &bits, &vaddr);
            if (length > 0) s->buildID = hexBytes(bits, length);
        }
    }
    return sessions_.emplace(module, std::move(s)).first->second.get();
}

nlohmann::json DwSymbolizer::operator()(const CrashFrame& frame) {
    auto j = unsymbolizedFrame(frame);
    if (frame.module.empty() || frame.module[0] != '/') return j;
    Session* s = session(frame.module);
    // Another build of the module is there now: its names would be wrong.
    if (!s->module || (!frame.buildID.empty() && frame.buildID != s->buildID)) return j;
    Dwarf_Addr address = frame.offset;
    if (const char* name = dwfl_module_addrname(s->module, address)) {
        j["function"] = demangled(name);
    }
    if (Dwfl_Line* line = dwfl_module_getsrc(s->module, address)) {
        int lineNumber = 0;
        if (const char* file =
                dwfl_lineinfo(line, nullptr, &lineNumber, nullptr, nullptr, nullptr)) {
            j["file"] = file;
            j["line"] = lineNumber;
        }
    }
    return j;
}

}  // namespace kelvra::crash
