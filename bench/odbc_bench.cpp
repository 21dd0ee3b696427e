// The ODBC adapter against PostgreSQL (run by bench/server_bench.sh, which starts the server and
// names it): a keyed part lookup as the operations make it (a connection object per call), on
// one open connection, and the same query through libpq directly; and the item-code part list
// selecting 1,000 of 100,000 parts. KVPW_BENCH_ODBC names the data source (the driver reading
// ahead in blocks), KVPW_BENCH_ODBC_WHOLE the same server with the driver reading whole results.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "db/engines.h"
#include "db/kv_ado_connection.h"
#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "host/message_boxes.h"

namespace {

using kvpw::Text;

constexpr int kParts = 100000;
const Text kCatalogue = u"/bench/parts.mdb";
const Text kItemCode = u"IC-042";

// The lookup the part lists make for each part, on a part chosen by the iteration.
std::string LookupSql(int64_t i) {
  char key[32];
  std::snprintf(key, sizeof key, "BRP-%06d", static_cast<int>(1 + (i * 7919) % kParts));
  return std::string(
             "SELECT MfgPartNumber, Description, MfgListPriceFmt FROM qrySoccParts "
             "WHERE MfgPartNumber = '") +
         key + "'";
}

const char* Source(benchmark::State& state, const char* variable) {
  const char* text = std::getenv(variable);
  if (!text || !*text) state.SkipWithError("no server: run bench/server_bench.sh");
  return text;
}

kvpw::PlatformRef PlatformFor(const char* odbc_text, size_t idle) {
  kvpw::db::EngineOptions options;
  options.data_sources = {{kCatalogue, kvpw::FromUtf8(odbc_text)}};
  options.odbc.idle_per_source = idle;
  return std::make_shared<kvpw::Platform>(kvpw::Platform{
      kvpw::db::MakeEngine(options), std::make_shared<kvpw::host::RecordingMessageBox>()});
}

void ReadRow(benchmark::State& state, kvpw::db::Recordset& rs) {
  if (rs.eof()) {
    state.SkipWithError("part not found");
    return;
  }
  for (int16_t c = 0; c < 3; ++c) benchmark::DoNotOptimize(rs.value(c));
}

// As the operations do it: a connection object, ConnQuery, ConnClose. Range(0): connections kept
// idle per data source (0: a new login each call).
void LookupConnectionPerCall(benchmark::State& state, const char* variable) {
  const char* source = Source(state, variable);
  if (!source) return;
  const auto platform = PlatformFor(source, static_cast<size_t>(state.range(0)));
  int64_t i = 0;
  for (auto _ : state) {
    kvpw::KvAdoConnection conn(platform);
    conn.LetFileName(kCatalogue);
    Text error;
    const auto rs = conn.ConnQuery(kvpw::FromUtf8(LookupSql(i++)), error);
    if (!rs) {
      state.SkipWithError(kvpw::ToUtf8(error).c_str());
      return;
    }
    ReadRow(state, *rs);
    conn.ConnClose();
  }
}
void BM_LookupConnectionPerCall(benchmark::State& state) {
  LookupConnectionPerCall(state, "KVPW_BENCH_ODBC");
}
BENCHMARK(BM_LookupConnectionPerCall)->Arg(4)->Arg(0)->Unit(benchmark::kMicrosecond);
void BM_LookupConnectionPerCallWholeResults(benchmark::State& state) {
  LookupConnectionPerCall(state, "KVPW_BENCH_ODBC_WHOLE");
}
BENCHMARK(BM_LookupConnectionPerCallWholeResults)->Arg(4)->Unit(benchmark::kMicrosecond);

void LookupOnOpenConnection(benchmark::State& state, const char* variable) {
  const char* source = Source(state, variable);
  if (!source) return;
  const auto connection = kvpw::db::MakeEngine()->new_connection();
  connection->open(kvpw::FromUtf8(source), u"", u"");
  int64_t i = 0;
  for (auto _ : state) ReadRow(state, *connection->execute(kvpw::FromUtf8(LookupSql(i++))));
}
void BM_LookupOpenConnection(benchmark::State& state) {
  LookupOnOpenConnection(state, "KVPW_BENCH_ODBC");
}
BENCHMARK(BM_LookupOpenConnection)->Unit(benchmark::kMicrosecond);
void BM_LookupOpenConnectionWholeResults(benchmark::State& state) {
  LookupOnOpenConnection(state, "KVPW_BENCH_ODBC_WHOLE");
}
BENCHMARK(BM_LookupOpenConnectionWholeResults)->Unit(benchmark::kMicrosecond);

// The reference: the same text through libpq (PG* settings), the values read as texts.
void BM_LookupLibpq(benchmark::State& state) {
  PGconn* conn = PQconnectdb("");
  if (PQstatus(conn) != CONNECTION_OK) {
    state.SkipWithError(PQerrorMessage(conn));
    PQfinish(conn);
    return;
  }
  int64_t i = 0;
  for (auto _ : state) {
    PGresult* result = PQexec(conn, LookupSql(i++).c_str());
    if (PQresultStatus(result) != PGRES_TUPLES_OK || PQntuples(result) != 1) {
      state.SkipWithError("lookup failed");
      PQclear(result);
      break;
    }
    for (int c = 0; c < 3; ++c)
      benchmark::DoNotOptimize(
          kvpw::FromUtf8(PQgetisnull(result, 0, c) ? "" : PQgetvalue(result, 0, c)));
    PQclear(result);
  }
  PQfinish(conn);
}
BENCHMARK(BM_LookupLibpq)->Unit(benchmark::kMicrosecond);

// The reference with the key as a parameter of a statement prepared once, as the adapter runs
// repeated lookups.
void BM_LookupLibpqPrepared(benchmark::State& state) {
  PGconn* conn = PQconnectdb("");
  std::string sql = LookupSql(0);
  sql = sql.substr(0, sql.rfind('\''));
  sql = sql.substr(0, sql.rfind('\'')) + "$1";
  PGresult* prepared = PQprepare(conn, "lookup", sql.c_str(), 1, nullptr);
  const bool ok = PQresultStatus(prepared) == PGRES_COMMAND_OK;
  PQclear(prepared);
  if (PQstatus(conn) != CONNECTION_OK || !ok) {
    state.SkipWithError(PQerrorMessage(conn));
    PQfinish(conn);
    return;
  }
  int64_t i = 0;
  for (auto _ : state) {
    const std::string lookup = LookupSql(i++);
    const std::string key = lookup.substr(lookup.size() - 11, 10);
    const char* values[] = {key.c_str()};
    PGresult* result = PQexecPrepared(conn, "lookup", 1, values, nullptr, nullptr, 0);
    if (PQresultStatus(result) != PGRES_TUPLES_OK || PQntuples(result) != 1) {
      state.SkipWithError("lookup failed");
      PQclear(result);
      break;
    }
    for (int c = 0; c < 3; ++c)
      benchmark::DoNotOptimize(
          kvpw::FromUtf8(PQgetisnull(result, 0, c) ? "" : PQgetvalue(result, 0, c)));
    PQclear(result);
  }
  PQfinish(conn);
}
BENCHMARK(BM_LookupLibpqPrepared)->Unit(benchmark::kMicrosecond);

void PartList(benchmark::State& state, const char* variable) {
  const char* source = Source(state, variable);
  if (!source) return;
  kvpw::Pw2 pw2(PlatformFor(source, 4));
  auto combo = std::make_shared<kvpw::host::MemoryComboBox>(u"cboPartNumber");
  for (auto _ : state) pw2.PopulatePartNumberByItemCode(combo, kCatalogue, u"", kItemCode);
  if (combo->list_count() != 1000) state.SkipWithError("expected 1,000 parts");
}
void BM_PopulatePartNumberByItemCode(benchmark::State& state) {
  PartList(state, "KVPW_BENCH_ODBC");
}
BENCHMARK(BM_PopulatePartNumberByItemCode)->Unit(benchmark::kMillisecond);
void BM_PopulatePartNumberByItemCodeWholeResults(benchmark::State& state) {
  PartList(state, "KVPW_BENCH_ODBC_WHOLE");
}
BENCHMARK(BM_PopulatePartNumberByItemCodeWholeResults)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
