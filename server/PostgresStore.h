#pragma once

#include <memory>
#include <string>

#include "Store.h"

namespace kelvra::server {

// The store on a PostgreSQL database (a libpq connection string or URL), for several
// servers sharing one database. Creates the tables when missing; throws when it cannot
// connect.
std::unique_ptr<Store> openPostgresStore(const std::string& connection);

// Whether a connection string or URL carries a password (which then must not come
// from the command line, where every user can read it).
bool connectionHasPassword(const std::string& connection);

}  // namespace kelvra::server
