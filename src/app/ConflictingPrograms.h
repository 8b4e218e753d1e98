#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvra {

// A Linux tool that also moves windows on shortcuts or drags, found by the name its
// process runs under, with the name shown to the user.
struct ConflictingProgram {
    std::string processName;
    std::string name;
};

// Only tools that run as a process of their own are listed: the managers' own tiling and
// shell extensions cannot be seen this way, so they are not claimed.
const std::vector<ConflictingProgram>& conflictingPrograms();

struct RunningConflict {
    int32_t pid = 0;
    std::string name;
};

// The listed tools running now, by the processes the platform lists.
std::vector<RunningConflict> runningConflictingPrograms();

}  // namespace kelvra
