#pragma once

#include <vector>

#include "port/Processes.h"

namespace kelvra::sim {

// The processes a test lists.
class SimProcesses final : public port::Processes {
  public:
    std::vector<port::RunningProcess> list;
    std::vector<port::RunningProcess> running() override { return list; }
};

}  // namespace kelvra::sim
