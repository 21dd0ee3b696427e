// The engine the library runs on by default: texts that name a data source ("DSN=...") or an
// ODBC driver ("Driver=...;...") go to the ODBC adapter, the desktop engine's provider texts to
// the file adapters (SQLite, and desktop-database files through it).
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

std::shared_ptr<Engine> MakeEngine(EngineOptions options = {});

// True for a text the ODBC adapter opens.
bool IsOdbcText(TextView connection_text);

}  // namespace kvpw::db
