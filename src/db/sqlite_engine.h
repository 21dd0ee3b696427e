// The database engine over SQLite files. Connection texts name the desktop engine's provider as
// the callers write them; the file at "Data Source" must be an SQLite database, and text compares
// as the desktop engine compares it (see sqlite_engine.cpp).
#pragma once

#include <memory>

#include "db/engine.h"

namespace kvpw::db {

std::shared_ptr<Engine> MakeSqliteEngine();

}  // namespace kvpw::db
