#pragma once

#include <filesystem>

#include "port/Processes.h"

namespace kelvra::xdg {

// The user's processes as /proc lists them: each one's command name, and for a script
// run by an interpreter (python3, perl, sh) the script's name as well.
class ProcfsProcesses final : public port::Processes {
  public:
    explicit ProcfsProcesses(std::filesystem::path root = "/proc") : root_(std::move(root)) {}
    std::vector<port::RunningProcess> running() override;

  private:
    std::filesystem::path root_;
};

}  // namespace kelvra::xdg
