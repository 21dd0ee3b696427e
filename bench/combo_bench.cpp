// PopulateCombo filling 10,000 rows of three columns against reading the same rows straight from
// SQLite into strings, on the example catalogue grown to 100,000 parts.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <array>
#include <string>
#include <vector>

#include "catalogue.h"
#include "db/sqlite_engine.h"
#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "host/message_boxes.h"

namespace {

constexpr int kParts = 100000;
constexpr const char* kSql = "SELECT MfgPartNumber, Description, MfgListPriceFmt FROM qrySoccParts";
constexpr const char* kTail = "ORDER BY MfgPartNumber LIMIT 10000";

void BM_PopulateCombo(benchmark::State& state) {
  const auto platform = std::make_shared<kvpw::Platform>(kvpw::Platform{
      kvpw::db::MakeSqliteEngine(), std::make_shared<kvpw::host::RecordingMessageBox>()});
  kvpw::Pw2 pw2(platform);
  const kvpw::Text file = kvpw::FromUtf8(kvpw::bench::ScaledCatalogue(kParts));
  for (auto _ : state) {
    auto combo = std::make_shared<kvpw::host::MemoryComboBox>(u"cbo");
    pw2.PopulateCombo(file, combo, kvpw::FromUtf8(kSql), u"MfgPartNumber", std::nullopt,
                      std::nullopt, kvpw::FromUtf8(kTail), u"Description", u"MfgListPriceFmt");
    if (combo->list_count() != 10000) state.SkipWithError("wrong row count");
  }
}
BENCHMARK(BM_PopulateCombo)->Unit(benchmark::kMillisecond);

void BM_SqliteIntoStrings(benchmark::State& state) {
  const std::string& file = kvpw::bench::ScaledCatalogue(kParts);
  const std::string sql = std::string(kSql) + " " + kTail;
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    std::vector<std::array<std::string, 3>> rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      auto& row = rows.emplace_back();
      for (int c = 0; c < 3; ++c) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
        row[c] = text ? text : " ";
      }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (rows.size() != 10000) state.SkipWithError("wrong row count");
    benchmark::DoNotOptimize(rows);
  }
}
BENCHMARK(BM_SqliteIntoStrings)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
