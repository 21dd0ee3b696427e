// The database engine over ODBC: data source names ("DSN=...") and driver texts
// ("Driver=...;..."), the way teams reach a catalogue kept on a database server. The same code
// builds against unixODBC and the Windows ODBC headers.
#pragma once

#include <memory>
#include <vector>

#include "db/engine.h"

namespace kvpw::db {

// Connections given back by their callers stay open for a while, up to a few per connection
// text, so that the library's open-query-close per operation does not log in to the server
// each time. A kept connection is checked before it is handed out again.
struct OdbcOptions {
  size_t idle_per_source = 4;
};

std::shared_ptr<Engine> MakeOdbcEngine(OdbcOptions options = {});

// The names of the ODBC drivers the system has installed, as connection texts name them.
std::vector<Text> InstalledOdbcDrivers();

}  // namespace kvpw::db
