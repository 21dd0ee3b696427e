// The desktop engine's comparison rules on an SQLite connection, for our adapter's connections
// and, as a loadable extension (libkvpw_rules.so), for any other program that reads the
// catalogues: the SQLite ODBC driver (LoadExt=), the sqlite3 shell (.load).
#pragma once

struct sqlite3;

namespace kvpw::db {

// Replaces NOCASE and LIKE on `db`; SQLite's result code.
int AddCatalogueRules(sqlite3* db);

}  // namespace kvpw::db
