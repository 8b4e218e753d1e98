#include "backends/xdg/ProcfsProcesses.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>

namespace kelvra::xdg {

namespace {

std::string baseName(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isInterpreter(const std::string& name) {
    for (const char* runtime : {"python", "perl", "ruby", "node", "sh", "bash", "dash"})
        if (name.starts_with(runtime)) return true;
    return false;
}

// The names a process goes by: its command name, and the script an interpreter runs
// ("python3 /usr/bin/x-tile", "python3 -m quicktile").
std::vector<std::string> namesOf(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::string comm;
    if (std::getline(std::ifstream(folder / "comm"), comm) && !comm.empty()) names.push_back(comm);
    std::ifstream cmdline(folder / "cmdline", std::ios::binary);
    std::vector<std::string> argv;
    for (std::string arg; std::getline(cmdline, arg, '\0');) argv.push_back(arg);
    if (argv.empty()) return names;
    names.push_back(baseName(argv[0]));
    if (isInterpreter(baseName(argv[0]))) {
        for (size_t i = 1; i < argv.size(); ++i) {
            if (argv[i] == "-m" && i + 1 < argv.size()) {
                names.push_back(argv[i + 1]);
                break;
            }
            if (!argv[i].starts_with("-")) {
                names.push_back(baseName(argv[i]));
                break;
            }
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}  // namespace

std::vector<port::RunningProcess> ProcfsProcesses::running() {
    std::vector<port::RunningProcess> out;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root_, error)) {
        const std::string pid = entry.path().filename();
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit)) continue;
        // Only the user's own: another user's tool moves no window of this session.
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) != 0 || info.st_uid != ::getuid()) continue;
        auto names = namesOf(entry.path());
        if (!names.empty()) out.push_back({std::stoi(pid), std::move(names)});
    }
    return out;
}

}  // namespace kelvra::xdg
