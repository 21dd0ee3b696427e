// The engine the library runs on by default: texts that name a data source ("DSN=...") or an
// ODBC driver ("Driver=...;...") go to the ODBC adapter, the desktop engine's provider texts to
// the file adapter (SQLite, and desktop-database files through it; the Access driver where
// there is no SQLite).
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "db/engine.h"
#include "db/odbc/odbc_engine.h"

namespace kvpw::db {

struct EngineOptions {
  // The library's operations open their catalogues by file name, in the provider's text. A file
  // name listed here (exactly as the callers pass it) is served by the ODBC connection text
  // beside it instead: that is how a shared catalogue on a server takes a file's place.
  std::vector<std::pair<Text, Text>> data_sources;
  OdbcOptions odbc;
};

// Provider texts go to `files`; data source and driver texts to an ODBC adapter of its own.
std::shared_ptr<Engine> MakeEngine(std::shared_ptr<Engine> files, EngineOptions options = {});

// With the SQLite adapter for files (default_engine.cpp). A build without SQLite (Windows)
// passes MakeAccessFilesEngine (db/odbc/access_files.h) instead.
std::shared_ptr<Engine> MakeEngine(EngineOptions options = {});

// True for a text the ODBC adapter opens.
bool IsOdbcText(TextView connection_text);

}  // namespace kvpw::db
