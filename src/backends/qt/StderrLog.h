#pragma once

#include <mutex>

#include "port/Log.h"

namespace kelvra::qt {

// The log on standard error, one line per call. Safe from any thread.
class StderrLog final : public port::Log {
  public:
    void line(const std::string& text) override;

  private:
    std::mutex mutex_;
};

}  // namespace kelvra::qt
