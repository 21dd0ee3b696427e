#include "db/engines.h"
#include "db/sqlite_engine.h"

namespace kvpw::db {

std::shared_ptr<Engine> MakeEngine(EngineOptions options) {
  return MakeEngine(MakeSqliteEngine(), std::move(options));
}

}  // namespace kvpw::db
