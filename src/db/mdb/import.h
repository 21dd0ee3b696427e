// The imported copy of a desktop-database file: an SQLite database with the same tables (and the
// stored queries as views), built once and kept in the user's cache, so that the many connections
// an operation opens do not read the original file each time.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "db/mdb/mdb_file.h"
#include "db/mdb/stored_query.h"

namespace kvpw::db::mdb {

// Raised by the desktop-database file's own reading fails with "Unable to open database: ...".
// Returns the path of a current copy of the file at `path`, building it when there is none.
std::string ImportedCopy(const std::string& path);

// Writes the copy of `mdb_path` to `target` (replaced atomically); the copy that ImportedCopy
// keeps, for people who want to work on it with other tools.
void ExportCopy(const std::string& mdb_path, const std::string& target);

// A table as a copy is written from it: its columns, then its rows handed to a sink.
struct TableSource {
  std::string name;
  std::vector<Column> columns;
  std::function<void(const MdbFile::RowSink&)> rows;
};

struct NamedQuery {
  std::string name;
  StoredQuery query;
};

// Writes a copy to `target` (atomically): the tables, indexes on the columns the library looks
// parts up by, the select and union queries as views and every query listed in kvpw_queries.
// ImportedCopy writes a file's copy with this; anything else may write catalogue copies too.
void WriteCopy(const std::string& target, std::span<const TableSource> tables,
               std::span<const NamedQuery> queries);

// Where the copies are kept: $XDG_CACHE_HOME/kvpw, else ~/.cache/kvpw.
std::string CacheFolder();

}  // namespace kvpw::db::mdb
