#include "app/ConflictingPrograms.h"

#include <algorithm>

#include "port/Platform.h"

namespace kelvra {

const std::vector<ConflictingProgram>& conflictingPrograms() {
    static const std::vector<ConflictingProgram> table = {
        {"x-tile", "X Tile"},        // tiles from its tray icon and global shortcuts
        {"quicktile", "QuickTile"},  // keyboard-driven tiling daemon
        {"pytyle3", "PyTyle"},       // tiling daemon for EWMH managers
        {"zentile", "zentile"},      // automatic tiling daemon
        {"cortile", "Cortile"},      // automatic tiling daemon with drag-to-swap
    };
    return table;
}

std::vector<RunningConflict> runningConflictingPrograms() {
    std::vector<RunningConflict> found;
    const int32_t self = platform().applications->currentProcessId();
    for (const auto& process : platform().processes->running()) {
        if (process.pid == self) continue;
        for (const auto& program : conflictingPrograms()) {
            const auto& names = process.names;
            if (std::find(names.begin(), names.end(), program.processName) == names.end()) continue;
            found.push_back({process.pid, program.name});
            break;
        }
    }
    return found;
}

}  // namespace kelvra
