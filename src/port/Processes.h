#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvra::port {

struct RunningProcess {
    int32_t pid = 0;
    // The program's name as the system lists it, and the script a runtime runs, if any
    // ("x-tile" for "python3 /usr/bin/x-tile").
    std::vector<std::string> names;
};

// The user's processes, windows or not.
class Processes {
  public:
    virtual ~Processes() = default;
    virtual std::vector<RunningProcess> running() = 0;
};

// A desktop that cannot list processes.
class NoProcesses final : public Processes {
  public:
    std::vector<RunningProcess> running() override { return {}; }
};

}  // namespace kelvra::port
