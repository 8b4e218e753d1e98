#pragma once

#include <filesystem>
#include <memory>

#include "Store.h"

namespace kelvra::server {

// The default store: one SQLite file, `kelvra.db`, in the data folder. Creates the
// folder (mode 0700) and the file (mode 0600) when missing. Throws when it cannot.
std::unique_ptr<Store> openSqliteStore(const std::filesystem::path& dataDir);

}  // namespace kelvra::server
