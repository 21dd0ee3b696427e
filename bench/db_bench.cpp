// A keyed part lookup through KvAdoConnection::ConnQuery against the same lookup made directly
// through the SQLite C API as a careful program makes it (the statement prepared once, the key
// bound, every value read in its own kind), on a 100,000-part catalogue; and a whole-table read
// through the adapter against a bare sqlite3_step loop over the same columns.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "catalogue.h"
#include "db/kv_ado_connection.h"
#include "db/sqlite_engine.h"
#include "host/message_boxes.h"

namespace {

constexpr int kParts = 100000;

const std::string& CatalogueFile() {
  static const std::string file = [] {
    const auto path = std::filesystem::temp_directory_path() / "kvpw-bench-parts.mdb";
    kvpw::bench::WriteKeyedCatalogue(path.string(), kParts);
    return path.string();
  }();
  return file;
}

std::string Key(int part) {
  char key[32];
  std::snprintf(key, sizeof key, "P-%07d", part);
  return key;
}

std::string LookupSql(int part) {
  return "SELECT * FROM qrySoccParts WHERE MfgPartNumber = '" + Key(part) + "'";
}

kvpw::PlatformRef Platform() {
  static const auto platform = std::make_shared<kvpw::Platform>(kvpw::Platform{
      kvpw::db::MakeSqliteEngine(), std::make_shared<kvpw::host::RecordingMessageBox>()});
  return platform;
}

// As the operations use it: a connection object per lookup, opened, queried, closed.
void BM_ConnQueryPerLookup(benchmark::State& state) {
  const kvpw::Text file = kvpw::FromUtf8(CatalogueFile());
  std::mt19937 random(1);
  for (auto _ : state) {
    kvpw::KvAdoConnection conn(Platform());
    conn.LetFileName(file);
    kvpw::Text error;
    const auto rs = conn.ConnQuery(kvpw::FromUtf8(LookupSql(random() % kParts + 1)), error);
    for (int16_t i = 0; i < rs->field_count(); ++i) benchmark::DoNotOptimize(rs->value(i));
    conn.ConnClose();
  }
}
BENCHMARK(BM_ConnQueryPerLookup);

constexpr char kLookupWithParameter[] = "SELECT * FROM qrySoccParts WHERE MfgPartNumber = ?";

// Every column of the current row, each in the kind SQLite holds it in.
void ReadRow(sqlite3_stmt* stmt) {
  for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
    switch (sqlite3_column_type(stmt, i)) {
      case SQLITE_INTEGER:
        benchmark::DoNotOptimize(sqlite3_column_int64(stmt, i));
        break;
      case SQLITE_FLOAT:
        benchmark::DoNotOptimize(sqlite3_column_double(stmt, i));
        break;
      case SQLITE_NULL:
        break;
      default:
        benchmark::DoNotOptimize(sqlite3_column_text(stmt, i));
        benchmark::DoNotOptimize(sqlite3_column_bytes(stmt, i));
    }
  }
}

void Lookup(sqlite3_stmt* stmt, int part) {
  const std::string key = Key(part);
  sqlite3_bind_text(stmt, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(stmt) == SQLITE_ROW) ReadRow(stmt);
  sqlite3_reset(stmt);
}

// Opened, prepared, looked up and closed each time, as the library's per-lookup connections are.
void BM_SqliteDirectPerLookup(benchmark::State& state) {
  const std::string& file = CatalogueFile();
  std::mt19937 random(1);
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, kLookupWithParameter, -1, &stmt, nullptr);
    Lookup(stmt, random() % kParts + 1);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
  }
}
BENCHMARK(BM_SqliteDirectPerLookup);

// Several queries on one object share its open connection.
void BM_ConnQueryOpenConnection(benchmark::State& state) {
  kvpw::KvAdoConnection conn(Platform());
  conn.LetFileName(kvpw::FromUtf8(CatalogueFile()));
  std::mt19937 random(1);
  for (auto _ : state) {
    kvpw::Text error;
    const auto rs = conn.ConnQuery(kvpw::FromUtf8(LookupSql(random() % kParts + 1)), error);
    for (int16_t i = 0; i < rs->field_count(); ++i) benchmark::DoNotOptimize(rs->value(i));
  }
}
BENCHMARK(BM_ConnQueryOpenConnection);

void BM_SqliteDirectOpenConnection(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(CatalogueFile().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, kLookupWithParameter, -1, &stmt, nullptr);
  std::mt19937 random(1);
  for (auto _ : state) Lookup(stmt, random() % kParts + 1);
  sqlite3_finalize(stmt);
  sqlite3_close(db);
}
BENCHMARK(BM_SqliteDirectOpenConnection);

constexpr char kTableRead[] = "SELECT MfgPartNumber, MfgListPrice FROM Parts";

// The whole table read through the adapter: every row's part number and price, as the checks
// and lists read their tables.
void BM_ConnQueryTableRead(benchmark::State& state) {
  kvpw::KvAdoConnection conn(Platform());
  conn.LetFileName(kvpw::FromUtf8(CatalogueFile()));
  for (auto _ : state) {
    kvpw::Text error;
    const auto rs = conn.ConnQuery(kvpw::FromUtf8(kTableRead), error);
    for (; !rs->eof(); rs->move_next()) {
      benchmark::DoNotOptimize(rs->value(0));
      benchmark::DoNotOptimize(rs->value(1));
    }
  }
  state.SetItemsProcessed(state.iterations() * kParts);
}
BENCHMARK(BM_ConnQueryTableRead)->Unit(benchmark::kMillisecond);

void BM_SqliteDirectTableRead(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(CatalogueFile().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, kTableRead, -1, &stmt, nullptr);
  for (auto _ : state) {
    while (sqlite3_step(stmt) == SQLITE_ROW) ReadRow(stmt);
    sqlite3_reset(stmt);
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kParts);
}
BENCHMARK(BM_SqliteDirectTableRead)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
