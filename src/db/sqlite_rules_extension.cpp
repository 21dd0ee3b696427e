// The entry points SQLite looks for when it loads libkvpw_rules.so. The library is linked with
// the system's libsqlite3, which every program here that loads it shares.
#include <sqlite3.h>

#include "db/sqlite_rules.h"

extern "C" {

int sqlite3_kvpwrules_init(sqlite3* db, char**, const void*) {
  return kvpw::db::AddCatalogueRules(db);
}

int sqlite3_extension_init(sqlite3* db, char** error, const void* api) {
  return sqlite3_kvpwrules_init(db, error, api);
}
}
