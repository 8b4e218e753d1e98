#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "Store.h"

namespace kelvra::server::test {

// A place for one test's data: an empty temporary folder, removed at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Where a test's store lives: "sqlite" (a data folder) or "postgresql" (a fresh
// database on a private server started for the test run).
class Backend {
  public:
    virtual ~Backend() = default;
    // Opens the test's store; a second call opens the same data again.
    virtual std::unique_ptr<Store> open() = 0;
};

// Nothing, with `why` set, when the backend cannot run here (no PostgreSQL binaries).
std::unique_ptr<Backend> makeBackend(const std::string& kind, std::string& why);

}  // namespace kelvra::server::test
