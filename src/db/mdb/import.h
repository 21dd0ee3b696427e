// The imported copy of a desktop-database file: an SQLite database with the same tables (and the
// stored queries as views), built once and kept in the user's cache, so that the many connections
// an operation opens do not read the original file each time.
#pragma once

#include <string>

namespace kvpw::db::mdb {

// Raised by the desktop-database file's own reading fails with "Unable to open database: ...".
// Returns the path of a current copy of the file at `path`, building it when there is none.
std::string ImportedCopy(const std::string& path);

// Writes the copy of `mdb_path` to `target` (replaced atomically); the copy that ImportedCopy
// keeps, for people who want to work on it with other tools.
void ExportCopy(const std::string& mdb_path, const std::string& target);

// Where the copies are kept: $XDG_CACHE_HOME/kvpw, else ~/.cache/kvpw.
std::string CacheFolder();

}  // namespace kvpw::db::mdb
