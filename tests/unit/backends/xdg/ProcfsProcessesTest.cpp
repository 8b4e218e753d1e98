#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "backends/xdg/ProcfsProcesses.h"

namespace kelvra::xdg {
namespace {

namespace fs = std::filesystem;

// A process folder as /proc has it: the command name and the NUL-separated arguments.
void addProcess(const fs::path& root, const std::string& pid, const std::string& comm,
                const std::vector<std::string>& argv) {
    fs::create_directories(root / pid);
    std::ofstream(root / pid / "comm") << comm << "\n";
    std::ofstream cmdline(root / pid / "cmdline", std::ios::binary);
    for (const auto& arg : argv) cmdline << arg << '\0';
}

// A tool is found by its own name or, run by an interpreter, by its script's; folders
// that are no process are passed over, and a process that ended (no files) has no names.
TEST(ProcfsProcesses, NamesAreTheCommandAndTheScriptAnInterpreterRuns) {
    const fs::path root = fs::temp_directory_path() / ("kelvra-proc-" + std::to_string(getpid()));
    fs::remove_all(root);
    addProcess(root, "101", "x-tile", {"/usr/bin/python3", "/usr/bin/x-tile"});
    addProcess(root, "102", "python3", {"python3", "-u", "-m", "quicktile", "--daemonize"});
    addProcess(root, "103", "zentile", {"./zentile"});
    fs::create_directories(root / "self");
    fs::create_directories(root / "104");

    auto processes = ProcfsProcesses(root).running();
    std::sort(processes.begin(), processes.end(),
              [](const auto& a, const auto& b) { return a.pid < b.pid; });
    ASSERT_EQ(processes.size(), 3u);
    EXPECT_EQ(processes[0].pid, 101);
    EXPECT_EQ(processes[0].names, (std::vector<std::string>{"python3", "x-tile"}));
    EXPECT_EQ(processes[1].names, (std::vector<std::string>{"python3", "quicktile"}));
    EXPECT_EQ(processes[2].names, (std::vector<std::string>{"zentile"}));
    fs::remove_all(root);
}

}  // namespace
}  // namespace kelvra::xdg
