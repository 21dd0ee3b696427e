// SQL texts as callers send them to the example catalogue through the SQLite adapter: any text
// either runs or fails with the engine's error (a kvpw::Error), and a result is read through
// every field of its rows.
//
// The catalogue is copied for each input, so that a statement that writes or drops something
// does not change what the next input meets. SQLite's own knobs, set on every connection the
// adapter opens, keep an input from running for long (a recursive query, a cross join of the
// large tables) or building huge values, and from reaching files beyond the catalogue.
#include <sqlite3.h>

#include <filesystem>
#include <string_view>

#include "db/engine.h"
#include "db/sqlite_engine.h"
#include "frame/error.h"
#include "fuzz_support.h"

namespace kvpw::fuzz {
namespace {

namespace fs = std::filesystem;

constexpr int kStepsPerCheck = 1000;
constexpr int kChecksAllowed = 2000;  // two million virtual machine steps
constexpr int kRowsRead = 500;

int StopLongStatements(void* checks) {
  return ++*static_cast<int*>(checks) > kChecksAllowed;
}

int DenyAttach(void*, int action, const char*, const char*, const char*, const char*) {
  return action == SQLITE_ATTACH ? SQLITE_DENY : SQLITE_OK;
}

int checks = 0;

int Bound(sqlite3* db, char**, const sqlite3_api_routines*) {
  sqlite3_progress_handler(db, kStepsPerCheck, &StopLongStatements, &checks);
  sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1 << 20);
  sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
  sqlite3_set_authorizer(db, &DenyAttach, nullptr);
  return SQLITE_OK;
}

}  // namespace
}  // namespace kvpw::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  sqlite3_auto_extension(reinterpret_cast<void (*)()>(&kvpw::fuzz::Bound));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kvpw;
  using namespace kvpw::fuzz;
  const fs::path catalogue = ScratchDir() / "parts.mdb";
  static const std::string original = ReadFile(ExamplesDir() / "parts.mdb");
  WriteFile(catalogue, original);
  checks = 0;
  const db::ConnectionRef connection = db::MakeSqliteEngine()->new_connection();
  connection->open(Text(db::kJetProvider).insert(0, u"Provider=") + u";Data Source=" +
                       FromUtf8(catalogue.string()),
                   u"", u"");
  const Text sql = TextOf(std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    const db::RecordsetRef rows = connection->execute(sql);
    if (rows) {
      const int16_t fields = rows->field_count();
      for (int16_t f = 0; f < fields; ++f)
        if (rows->field_index(rows->field_name(f)) > f) Broken("a field is found at another place");
      for (int n = 0; n < kRowsRead && !rows->eof(); ++n) {
        for (int16_t f = 0; f < fields; ++f) (void)rows->value(f);
        rows->move_next();
      }
    }
  } catch (const Error&) {
  }
  connection->close();
  return 0;
}
