#pragma once

#include <memory>
#include <string>

#include "Store.h"

namespace kelvra::server {

// The store on a PostgreSQL database (a libpq connection string or URL), for several
// servers sharing one database. Creates the tables when missing; throws when it cannot
// connect.
std::unique_ptr<Store> openPostgresStore(const std::string& connection);

}  // namespace kelvra::server
