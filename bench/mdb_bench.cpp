// Desktop-database catalogues: importing (the largest shared .mdb file, and a generated
// 100,000-part catalogue written through the same copy writer), opening with a warm cache beside
// opening the SQLite example catalogue, and a keyed qrySoccParts lookup on an imported copy beside
// the same lookup on a native SQLite catalogue. Also the cost of rewriting a lookup's dialect.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "catalogue.h"
#include "db/engine.h"
#include "db/jet_sql.h"
#include "db/mdb/import.h"
#include "db/sqlite_engine.h"

namespace {

namespace fs = std::filesystem;
using kvpw::db::mdb::Column;
using kvpw::db::mdb::ColumnKind;
using kvpw::db::mdb::Value;

constexpr int kParts = 100000;

const fs::path& Scratch() {
  static const fs::path dir = [] {
    const fs::path d = fs::temp_directory_path() / "kvpw-mdb-bench";
    fs::remove_all(d);
    fs::create_directories(d);
    setenv("XDG_CACHE_HOME", (d / "cache").c_str(), 1);
    return d;
  }();
  return dir;
}

fs::path SharedMdb() {
  const char* shared = std::getenv("KVPW_SHARED");
  return fs::path(shared ? shared : KVPW_SHARED_DIR) / "testdata" / "mdb" / "testV2003.mdb";
}

std::string Key(int part) {
  char key[32];
  std::snprintf(key, sizeof key, "P-%07d", part);
  return key;
}

// The catalogue's parts table and its stored query, as a desktop-database file would hold them.
void WriteGeneratedCopy(const std::string& target) {
  const std::vector<Column> columns = {{"MfgPartNumber", ColumnKind::kText},
                                       {"MfgDescription", ColumnKind::kText},
                                       {"Maker", ColumnKind::kText},
                                       {"MfgListPrice", ColumnKind::kCurrency},
                                       {"SoccBitmap", ColumnKind::kText}};
  const kvpw::db::mdb::TableSource parts{"Parts", columns,
                                         [](const kvpw::db::mdb::MdbFile::RowSink& sink) {
                                           std::vector<Value> row(5);
                                           for (int i = 1; i <= kParts; ++i) {
                                             row[0] = Key(i);
                                             row[1] = "Relay, DPDT, 24 V coil " + std::to_string(i);
                                             row[2] = std::string("Korvane");
                                             row[3] = i * 0.25;
                                             row[4] = std::string("RA2B");
                                             sink(row);
                                           }
                                         }};
  kvpw::db::mdb::StoredQuery query;
  query.kind = kvpw::db::mdb::QueryKind::kSelect;
  query.sql =
      "SELECT Parts.MfgPartNumber, Parts.MfgDescription, Parts.Maker, Parts.MfgListPrice, "
      "Parts.SoccBitmap\nFROM Parts;";
  const kvpw::db::mdb::NamedQuery queries[] = {{"qrySoccParts", query}};
  kvpw::db::mdb::WriteCopy(target, std::span(&parts, 1), queries);
}

const std::string& GeneratedCopy() {
  static const std::string file = [] {
    const std::string f = (Scratch() / "generated-copy.sqlite").string();
    WriteGeneratedCopy(f);
    return f;
  }();
  return file;
}

// The same parts as a native catalogue: a keyed table and the view.
const std::string& NativeCatalogue() {
  static const std::string file = [] {
    const std::string f = (Scratch() / "native.mdb").string();
    kvpw::bench::WriteKeyedCatalogue(f, kParts);
    return f;
  }();
  return file;
}

kvpw::db::ConnectionRef Open(const std::string& file) {
  static const auto engine = kvpw::db::MakeSqliteEngine();
  kvpw::db::ConnectionRef c = engine->new_connection();
  c->open(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + kvpw::FromUtf8(file), u"", u"");
  return c;
}

// (a) A first open: the shared file imported with an empty cache each time.
void BM_ImportSharedFile(benchmark::State& state) {
  const std::string mdb = SharedMdb().string();
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(Scratch() / "cache");
    state.ResumeTiming();
    benchmark::DoNotOptimize(kvpw::db::mdb::ImportedCopy(mdb));
  }
}
BENCHMARK(BM_ImportSharedFile)->Unit(benchmark::kMillisecond);

// (a) The copy writer on 100,000 parts; items are rows.
void BM_WriteCopyOf100000Parts(benchmark::State& state) {
  const std::string target = (Scratch() / "write-copy.sqlite").string();
  for (auto _ : state) WriteGeneratedCopy(target);
  state.SetItemsProcessed(state.iterations() * kParts);
}
BENCHMARK(BM_WriteCopyOf100000Parts)->Unit(benchmark::kMillisecond);

// (b) Opening and closing a connection: a desktop-database file with its copy already made,
// against the SQLite example catalogue.
void BM_OpenWarmMdb(benchmark::State& state) {
  const std::string mdb = SharedMdb().string();
  Open(mdb)->close();
  for (auto _ : state) Open(mdb)->close();
}
BENCHMARK(BM_OpenWarmMdb);

void BM_OpenSqliteExample(benchmark::State& state) {
  const std::string example = std::string(KVPW_EXAMPLES_DIR) + "/parts.mdb";
  for (auto _ : state) Open(example)->close();
}
BENCHMARK(BM_OpenSqliteExample);

// (c) A keyed lookup on an open connection: the imported copy against a native catalogue.
void Lookups(benchmark::State& state, const std::string& file) {
  const kvpw::db::ConnectionRef c = Open(file);
  std::mt19937 random(1);
  for (auto _ : state) {
    const kvpw::db::RecordsetRef rs = c->execute(kvpw::FromUtf8(
        "SELECT * FROM qrySoccParts WHERE MfgPartNumber = '" + Key(random() % kParts + 1) + "'"));
    for (int16_t i = 0; i < rs->field_count(); ++i) benchmark::DoNotOptimize(rs->value(i));
  }
}
void BM_LookupOnImportedCopy(benchmark::State& state) {
  Lookups(state, GeneratedCopy());
}
BENCHMARK(BM_LookupOnImportedCopy);
void BM_LookupOnNativeCatalogue(benchmark::State& state) {
  Lookups(state, NativeCatalogue());
}
BENCHMARK(BM_LookupOnNativeCatalogue);

// The dialect's rewriting, which every query passes through: a lookup written in SQL both
// dialects share (only scanned), and one that needs rewriting.
void BM_TranslatePlainLookup(benchmark::State& state) {
  const kvpw::Text sql = u"SELECT * FROM qrySoccParts WHERE MfgPartNumber = 'P-0012345'";
  for (auto _ : state) benchmark::DoNotOptimize(kvpw::db::TranslateJetSql(sql));
}
BENCHMARK(BM_TranslatePlainLookup);

void BM_TranslateDialectLookup(benchmark::State& state) {
  const kvpw::Text sql =
      u"SELECT * FROM qrySoccParts WHERE MfgPartNumber = \"P-0012345\" AND Discontinued = False";
  for (auto _ : state) benchmark::DoNotOptimize(kvpw::db::TranslateJetSql(sql));
}
BENCHMARK(BM_TranslateDialectLookup);

}  // namespace

BENCHMARK_MAIN();
