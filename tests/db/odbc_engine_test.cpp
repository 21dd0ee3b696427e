// The ODBC adapter and the engine that chooses it, run without a server through the SQLite ODBC
// driver: by its library's path, and by a data source defined in an odbc.ini of the test's own.
#include "db/odbc/odbc_engine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>

#include "db/engine_checks.h"
#include "db/engines.h"
#include "db/kv_ado_connection.h"
#include "db/odbc/access_files.h"
#include "frame/error.h"
#include "testing/support.h"

namespace kvpw::db {
namespace {

namespace fs = std::filesystem;
using testing::ErrorNumberOf;

constexpr char kCatalogue[] = R"sql(
  CREATE TABLE Parts(MfgPartNumber TEXT COLLATE NOCASE, Description TEXT COLLATE NOCASE,
                     ListPrice DOUBLE, Active BOOLEAN);
  INSERT INTO Parts VALUES ('AB-12', 'Relay, 24 V', 12.5, 1), ('ab-13', 'Relay ''DPDT''', 7, 0),
                           ('AB-1', '', NULL, 1), ('XY-9', NULL, 3.25, 0);
  CREATE TABLE Types(b BOOLEAN, s SMALLINT, l INTEGER, d DOUBLE, t TEXT, v VARCHAR(20), raw BLOB,
                     w TIMESTAMP);
  INSERT INTO Types VALUES (1, 300, 70000, 1.5, 'x', 'y', x'00ff', '2024-02-29 13:05:09'),
                           (NULL, -2, NULL, NULL, '', NULL, NULL, NULL);
)sql";

using testing::ErrorOf;
using testing::ExpectFailure;
using testing::RowsText;

Text DriverText(const fs::path& database) {
  return u"Driver=" + FromUtf8(KVPW_SQLITE_ODBC_DRIVER) + u";Database=" +
         FromUtf8(database.string()) + u";StepAPI=1";
}

// The driver manager reads its data sources once while its installer library stays loaded, so
// the data source of these tests names one file for the whole run, built anew by each test.
const fs::path& SharedDir() {
  static const testing::TempDir dir;
  static const bool written = [] {
    std::ofstream(dir.path() / "odbc.ini")
        << "[KvpwTestParts]\nDriver = " << KVPW_SQLITE_ODBC_DRIVER
        << "\nDatabase = " << (dir.path() / "parts.db").string() << "\nStepAPI = 1\n";
    // Under the older Access driver's name only, so that finding it takes the second choice.
    std::ofstream(dir.path() / "odbcinst.ini")
        << "[Microsoft Access Driver (*.mdb)]\nDriver = " << KVPW_MDB_ODBC_DRIVER << "\n";
    setenv("ODBCINI", (dir.path() / "odbc.ini").c_str(), 1);
    setenv("ODBCSYSINI", dir.path().c_str(), 1);
    return true;
  }();
  (void)written;
  return dir.path();
}
// The driver manager takes its drivers from the installer's file as it is when the process first
// asks for an environment, which other tests do: the file is named before any of them runs.
// The server's cases (server_test.cpp) run with the data sources their script defines.
[[maybe_unused]] const bool kDriversNamedFirst =
    std::getenv("KVPW_TEST_PG_DSN") || (SharedDir(), true);

class OdbcEngineTest : public ::testing::Test {
 protected:
  OdbcEngineTest() {
    fs::remove(db());
    testing::BuildDatabase(db(), kCatalogue);
  }
  fs::path db() const { return SharedDir() / "parts.db"; }
  ConnectionRef Open(const Text& text = Text()) {
    ConnectionRef c = engine_->new_connection();
    c->open(text.empty() ? DriverText(db()) : text, u"", u"");
    return c;
  }
  Text Query(const Text& sql) { return RowsText(*Open()->execute(sql)); }

  testing::TempDir dir_;
  std::shared_ptr<Engine> engine_ = MakeEngine();
};

TEST_F(OdbcEngineTest, TextsChooseTheAdapter) {
  const Text jet = u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + FromUtf8(db().string());
  const struct {
    Text text;
    bool odbc;
  } cases[] = {
      {u"DSN=Parts", true},
      {u"dsn = Parts;UID=me", true},
      {u"Driver={PostgreSQL Unicode};Server=127.0.0.1", true},
      {u"Provider=MSDASQL;DSN=Parts", true},
      {jet, false},
      {jet + u";DSN=Parts", false},
      {u"Provider=SQLOLEDB;Driver=x", false},
      {u"Data Source=parts.mdb", false},
      {u"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsOdbcText(c.text), c.odbc) << ToUtf8(c.text);

  // The same file through either adapter gives the same rows.
  const Text rows = u"AB-12|True;ab-13|False;AB-1|True;XY-9|False";
  EXPECT_EQ(RowsText(*Open(jet)->execute(u"SELECT MfgPartNumber, Active FROM Parts")), rows);
  EXPECT_EQ(RowsText(*Open()->execute(u"SELECT MfgPartNumber, Active FROM Parts")), rows);
  EXPECT_EQ(RowsText(*Open(u"DSN=KvpwTestParts")->execute(u"SELECT MfgPartNumber FROM Parts")),
            u"AB-12;ab-13;AB-1;XY-9");
}

TEST_F(OdbcEngineTest, OpenFailuresCarryTheDriversWords) {
  const struct {
    Text text, part;
  } cases[] = {
      {u"DSN=NoSuchSource", u"Data source name not found"},
      {u"Driver=/nonexistent/libnothing.so;Database=x", u"libnothing.so"},
      {u"Driver=" + FromUtf8(KVPW_SQLITE_ODBC_DRIVER) + u";Database=" +
           FromUtf8((dir_.path() / "no" / "such.db").string()) + u";NoCreat=1",
       u"[SQLite]connect failed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    ConnectionRef conn = engine_->new_connection();
    ExpectFailure([&] { conn->open(c.text, u"", u""); }, err::kEngineFailure, c.part);
    EXPECT_EQ(conn->state(), kStateClosed);
    EXPECT_EQ(ErrorNumberOf([&] { conn->execute(u"SELECT 1"); }), kErrObjectClosed);
  }
  // Through the connection object the reason reads as the library words it.
  KvAdoConnection conn(std::make_shared<Platform>(Platform{engine_, nullptr}));
  conn.LetDSN(u"NoSuchSource");
  Text error;
  EXPECT_EQ(conn.ConnQuery(u"SELECT 1", error), nullptr);
  EXPECT_TRUE(error.starts_with(u"Unable to open database: [unixODBC]")) << ToUtf8(error);
  EXPECT_NE(error.find(u"Data source name not found"), Text::npos) << ToUtf8(error);
}

TEST_F(OdbcEngineTest, ValuesTakeTheirKindAndNullStaysApartFromEmpty) {
  const RecordsetRef rs = Open()->execute(u"SELECT * FROM Types");
  const Variant raw = Variant::MakeArray({int16_t{0}, int16_t{255}});
  const Variant first[] = {true, int16_t{300}, int32_t{70000},        1.5, u"x",
                           u"y", raw,          u"2024-02-29 13:05:09"};
  const Variant second[] = {kNull, int16_t{-2}, kNull, kNull, u"", kNull, kNull, kNull};
  for (const auto& row : {std::span<const Variant>(first), std::span<const Variant>(second)}) {
    ASSERT_FALSE(rs->eof());
    ASSERT_EQ(static_cast<size_t>(rs->field_count()), row.size());
    // Asked for out of order: the last column first, then the others.
    EXPECT_EQ(rs->value(rs->field_count() - 1), row.back());
    for (int16_t i = 0; i < rs->field_count(); ++i)
      EXPECT_EQ(rs->value(i), row[i]) << ToUtf8(rs->field_name(i));
    rs->move_next();
  }
  EXPECT_TRUE(rs->eof());
  EXPECT_EQ(ErrorNumberOf([&] { rs->value(0); }), err::kNoCurrentRecord);
  EXPECT_EQ(ErrorNumberOf([&] { rs->move_next(); }), err::kNoCurrentRecord);

  // A long text comes back whole, past any buffer the adapter reads it in.
  const Text long_text(5000, u'q');
  ConnectionRef conn = Open();
  conn->execute(u"INSERT INTO Types(t) VALUES ('" + long_text + u"')");
  EXPECT_EQ(RowsText(*conn->execute(u"SELECT t FROM Types WHERE length(t) > 100")), long_text);
}

TEST_F(OdbcEngineTest, RecordSetsAreReadAsTheyGo) {
  // A full read before the first row would not end: the rows never run out. (This driver gives
  // columns without a declared type as text.)
  const RecordsetRef rs = Open()->execute(
      u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i FROM n");
  for (int32_t expected = 1; expected <= 3; ++expected) {
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(ToText(rs->value(0)), ToText(Variant(expected)));
    EXPECT_EQ(ToText(rs->field(Variant(u"I"))), ToText(Variant(expected)));
    rs->move_next();
  }
}

TEST_F(OdbcEngineTest, FieldsStatementsAndClosing) {
  ConnectionRef conn = Open();
  RecordsetRef rs = conn->execute(u"SELECT MfgPartNumber AS pn, Description FROM Parts");
  EXPECT_EQ(rs->field_count(), 2);
  EXPECT_EQ(rs->field_name(0), u"pn");
  EXPECT_EQ(rs->field_index(u"DESCRIPTION"), 1);
  EXPECT_EQ(ErrorNumberOf([&] { rs->field_index(u"Nope"); }), err::kItemNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { rs->value(2); }), err::kItemNotFound);

  // A statement that gives no rows is at its end at once.
  RecordsetRef none = conn->execute(u"UPDATE Parts SET ListPrice = 1 WHERE 0 = 1");
  EXPECT_TRUE(none->eof());
  EXPECT_EQ(none->field_count(), 0);

  const struct {
    Text sql;
    int32_t number;
    Text part;
  } faults[] = {
      {u"SELECT 1; DELETE FROM Parts", kErrSqlSyntax, u"Characters found after end"},
      {u"DELETE FROM Parts; -- all", kErrSqlSyntax, u"Characters found after end"},
      {u" \r\n ", kErrSqlSyntax, u"Invalid SQL statement"},
      {u"SELECT * FROM Nowhere", err::kEngineFailure, u"no such table: Nowhere"},
  };
  for (const auto& f : faults) {
    SCOPED_TRACE(ToUtf8(f.sql));
    ExpectFailure([&] { conn->execute(f.sql); }, f.number, f.part);
  }
  EXPECT_EQ(Query(u"SELECT Count(*) FROM Parts WHERE MfgPartNumber = 'a;b' OR 1 = 1"), u"4");

  conn->close();
  EXPECT_EQ(conn->state(), kStateClosed);
  EXPECT_EQ(ErrorNumberOf([&] { rs->eof(); }), kErrObjectClosed);
  EXPECT_EQ(ErrorNumberOf([&] { conn->close(); }), kErrObjectClosed);
  // Open again, with the text set before.
  conn->set_connection_string(DriverText(db()));
  conn->open(u"", u"", u"");
  EXPECT_EQ(conn->state(), kStateOpen);
  EXPECT_EQ(ErrorNumberOf([&] { conn->open(u"", u"", u""); }), kErrObjectOpen);
  EXPECT_EQ(ErrorNumberOf([&] { conn->set_connection_string(u"DSN=x"); }), kErrObjectOpen);
}

// Repeated lookups run one compiled statement with the texts bound; each must give exactly what
// the query as written gives, also while an earlier one is still being read.
TEST_F(OdbcEngineTest, RepeatedQueriesGiveTheirOwnRows) {
  ConnectionRef conn = Open();
  const Text lookup = u"SELECT MfgPartNumber, Description FROM Parts WHERE MfgPartNumber = ";
  const struct {
    Text key, rows;
  } cases[] = {
      {u"'AB-12'", u"AB-12|Relay, 24 V"},
      {u"'ab-13'", u"ab-13|Relay 'DPDT'"},
      {u"'XY-9'", u"XY-9|Null"},
      {u"'AB-1'", u"AB-1|"},
      {u"'nope'", u""},
      {u"'it''s'", u""},
  };
  for (int round = 0; round < 2; ++round)
    for (const auto& c : cases) {
      SCOPED_TRACE(ToUtf8(c.key));
      EXPECT_EQ(RowsText(*conn->execute(lookup + c.key)), c.rows);
    }
  RecordsetRef first = conn->execute(lookup + u"'AB-12'");
  RecordsetRef second = conn->execute(lookup + u"'XY-9'");
  EXPECT_EQ(RowsText(*second), u"XY-9|Null");
  EXPECT_EQ(RowsText(*first), u"AB-12|Relay, 24 V");
  // A text before WHERE stays in the query: it names a result column.
  EXPECT_EQ(RowsText(*conn->execute(u"SELECT 'x' AS k FROM Parts WHERE MfgPartNumber = 'XY-9'")),
            u"x");
}

TEST_F(OdbcEngineTest, KeptConnectionsServeLaterOpensAndSeeLaterWrites) {
  // Many opens and closes in a row, as the operations make them; each sees what the last wrote.
  for (int i = 0; i < 200; ++i) {
    ConnectionRef conn = Open();
    conn->execute(u"UPDATE Parts SET ListPrice = " + FromUtf8(std::to_string(i)) +
                  u" WHERE MfgPartNumber = 'AB-1'");
    EXPECT_EQ(RowsText(*conn->execute(u"SELECT ListPrice FROM Parts WHERE MfgPartNumber = 'AB-1'")),
              FromUtf8(std::to_string(i)));
    conn->close();
  }
}

TEST_F(OdbcEngineTest, ACatalogueFileCanBeServedByADataSource) {
  const Text stand_in = u"/catalogues/parts.mdb";
  auto platform = std::make_shared<Platform>(Platform{
      MakeEngine({.data_sources = {{stand_in, u"DSN=KvpwTestParts"}}, .odbc = {}}), nullptr});
  KvAdoConnection conn(platform);
  conn.LetFileName(stand_in);
  Text error;
  const RecordsetRef rs = conn.ConnQuery(u"SELECT Count(*) FROM Parts", error);
  EXPECT_EQ(error, u"");
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(ToText(rs->value(0)), u"4");

  // Other files still open as files.
  KvAdoConnection other(platform);
  other.LetFileName(u"/catalogues/other.mdb");
  EXPECT_EQ(other.ConnQuery(u"SELECT 1", error), nullptr);
  EXPECT_EQ(error, u"Unable to open database: Could not find file '/catalogues/other.mdb'.");
}

// The driver text for a provider text: the newest Access driver installed, names matched
// without case, values that would end the text in braces.
TEST(AccessDriverTextTest, NamesTheNewestInstalledDriver) {
  const Text newer = u"Microsoft Access Driver (*.mdb, *.accdb)";
  const Text older = u"Microsoft Access Driver (*.mdb)";
  const struct {
    std::vector<Text> installed;
    ProviderTarget target;
    Text text;  // empty: fails
  } cases[] = {
      {{older, newer},
       {u"C:\\Parts\\parts.mdb", u""},
       u"Driver={" + newer + u"};DBQ=C:\\Parts\\parts.mdb"},
      {{u"SQLite3", u"MICROSOFT ACCESS DRIVER (*.MDB)"},
       {u"p.mdb", u"C:\\secured.mdw"},
       u"Driver={MICROSOFT ACCESS DRIVER (*.MDB)};DBQ=p.mdb;SystemDB=C:\\secured.mdw"},
      {{older}, {u"a;b {1}.mdb", u""}, u"Driver={" + older + u"};DBQ={a;b {1}}.mdb}"},
      {{older}, {u" lead.mdb", u""}, u"Driver={" + older + u"};DBQ={ lead.mdb}"},
      {{}, {u"p.mdb", u""}, u""},
      {{u"PostgreSQL Unicode"}, {u"p.mdb", u""}, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.target.data_source));
    if (c.text.empty()) {
      ExpectFailure([&] { AccessDriverText(c.target, c.installed); }, err::kEngineFailure,
                    u"The Access ODBC driver is not installed (looked for '" + newer + u"' and '" +
                        older + u"').");
    } else {
      EXPECT_EQ(AccessDriverText(c.target, c.installed), c.text);
    }
  }
}

// Through the driver installed here (mdbtools' under the older name), a desktop-database file
// reads as through the file adapters; texts that name no file fail as the provider's do.
TEST_F(OdbcEngineTest, ProviderTextsOpenThroughTheAccessDriver) {
  const char* shared = std::getenv("KVPW_SHARED");
  const fs::path file = fs::path(shared ? shared : "") / "testdata" / "mdb" / "testV2003.mdb";
  if (!shared || !fs::exists(file)) GTEST_SKIP() << "no shared desktop-database files";
  const Text jet = u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + FromUtf8(file.string());
  const auto access = MakeAccessFilesEngine(MakeOdbcEngine());
  ConnectionRef through_driver = access->new_connection();
  through_driver->open(jet, u"", u"");
  EXPECT_EQ(through_driver->state(), kStateOpen);
  // All columns but the currency one, which mdbtools' driver reads as 0.
  const Text sql = u"SELECT A, B, C, D, E, F, G, I FROM Table1";
  setenv("XDG_CACHE_HOME", ToUtf8(dir_.file("cache")).c_str(), 1);
  const Text expected = RowsText(*Open(jet)->execute(sql));
  unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(RowsText(*through_driver->execute(sql)), expected);
  through_driver->close();
  EXPECT_EQ(through_driver->state(), kStateClosed);

  ExpectFailure([&] { access->new_connection()->open(u"DSN=Parts", u"", u""); },
                err::kEngineFailure, u"Data source name 'Parts' not found");
  ExpectFailure(
      [&] { access->new_connection()->open(u"Provider=Microsoft.Jet.OLEDB.4.0", u"", u""); },
      err::kEngineFailure, u"Data Source");
}

}  // namespace
}  // namespace kvpw::db
