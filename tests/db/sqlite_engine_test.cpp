#include "db/sqlite_engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>

#include "db/engine_checks.h"
#include "frame/error.h"
#include "testing/support.h"

namespace kvpw::db {
namespace {

namespace fs = std::filesystem;
using testing::ErrorNumberOf;

constexpr char kCatalogue[] = R"sql(
  CREATE TABLE Parts(MfgPartNumber TEXT COLLATE NOCASE, Description TEXT COLLATE NOCASE,
                     ListPrice CURRENCY, Maker TEXT COLLATE NOCASE, Active BOOLEAN);
  CREATE INDEX ixParts ON Parts(MfgPartNumber);
  INSERT INTO Parts VALUES ('AB-12', 'Relay, 24 V', 12.5, 'Korvane', 1),
                           ('ab-13', 'Relay ''DPDT''', 7, 'korvane', 0),
                           ('AB-1', '', NULL, 'Acme', 1),
                           ('XY-9', NULL, 3.25, 'Nobody', 0);
  CREATE TABLE Makers(Maker TEXT COLLATE NOCASE, Country TEXT);
  INSERT INTO Makers VALUES ('KORVANE', 'SE'), ('Acme', 'US');
  CREATE VIEW qrySoccParts AS
    SELECT p.MfgPartNumber, p.Active, m.Country FROM Parts p INNER JOIN Makers m ON p.Maker = m.Maker;
  CREATE TABLE [Item Codes]([Item Code] TEXT, [Point Count] INTEGER);
  INSERT INTO [Item Codes] VALUES ('RLY', 2);
  CREATE TABLE Types(b BOOLEAN, bit BIT, s SMALLINT, l INTEGER, c CURRENCY, d DOUBLE, n NUMERIC,
                     t TEXT, v VARCHAR(20), raw BLOB, plain);
  INSERT INTO Types VALUES (5, 0, 300, 70000, 4, 1.5, 7, 'x', 'y', x'00ff', 123),
                           (NULL, 2, 40000, 5000000000, NULL, NULL, NULL, '', CAST('héllo' AS BLOB),
                            NULL, 2.5);
  CREATE VIEW TypesView AS SELECT b, s FROM Types;
)sql";

using testing::ErrorOf;
using testing::ExpectFailure;
using testing::RowsText;

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const fs::path& path) {
  if (!fs::is_regular_file(path)) return "";
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class SqliteEngineTest : public ::testing::Test {
 protected:
  SqliteEngineTest() { testing::BuildDatabase(dir_.path() / "parts.mdb", kCatalogue); }

  static Text JetText(const Text& path) {
    return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path;
  }
  Text db() const { return dir_.file("parts.mdb"); }
  ConnectionRef Open() {
    ConnectionRef c = engine_->new_connection();
    c->open(JetText(db()), u"", u"");
    return c;
  }
  Text Query(const Text& sql) { return RowsText(*Open()->execute(sql)); }

  testing::TempDir dir_;
  std::shared_ptr<Engine> engine_ = MakeSqliteEngine();
};

TEST_F(SqliteEngineTest, OpenFailuresNameTheCauseAndThePath) {
  const Text missing = dir_.file("missing.mdb"), folder = dir_.file("folder.mdb"),
             notes = dir_.file("notes.mdb"), jet = dir_.file("old.mdb"),
             ace = dir_.file("new.accdb");
  fs::create_directory(dir_.path() / "folder.mdb");
  WriteFile(dir_.path() / "notes.mdb", "just some notes, not a database\n");
  WriteFile(dir_.path() / "old.mdb", std::string("\0\1\0\0Standard Jet DB\0\1\0\0", 23));
  WriteFile(dir_.path() / "new.accdb", std::string("\0\1\0\0Standard ACE DB\0\2\0\0", 23));
  const Text workgroup =
      u"The workgroup information file is missing or opened exclusively by "
      u"another user.";
  const struct {
    Text text, workgroup_property, description_part;
  } cases[] = {
      {u"", u"", u"empty"},
      {u"  ;  ", u"", u"empty"},
      {u"Data Source=" + db(), u"", u"no provider"},
      {u"Provider=SQLOLEDB;Data Source=" + db(), u"",
       u"Provider cannot be found. It may not be properly installed."},
      {u"DSN=Parts", u"", u"'Parts' not found: no data sources are configured"},
      {u"Provider=Microsoft.Jet.OLEDB.4.0", u"", u"Data Source"},
      {JetText(missing), u"", u"Could not find file '" + missing + u"'."},
      {JetText(folder), u"", u"'" + folder + u"' is a folder"},
      {JetText(notes), u"", u"Unrecognized database format '" + notes + u"'."},
      {JetText(jet), u"", u"Unable to open database: the file is truncated"},
      {JetText(ace), u"", u"Unable to open database: the file is in the newer Access format"},
      {JetText(db()), dir_.file("system.mdw"), workgroup},
      {JetText(db()) + u";Jet OLEDB:System Database=" + dir_.file("x.mdw"), u"", workgroup},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    ConnectionRef conn = engine_->new_connection();
    if (!c.workgroup_property.empty())
      conn->set_property(kSystemDatabaseProperty, c.workgroup_property);
    ExpectFailure([&] { conn->open(c.text, u"", u""); }, err::kEngineFailure, c.description_part);
    EXPECT_EQ(conn->state(), kStateClosed);
  }
  EXPECT_FALSE(fs::exists(dir_.path() / "missing.mdb")) << "a missing file must not be created";
  EXPECT_EQ(ErrorNumberOf([&] { engine_->new_connection()->set_property(u"Mode", u"Read"); }),
            err::kItemNotFound);
}

TEST_F(SqliteEngineTest, ConnectionTextsAreReadAsTheDesktopEngineReadsThem) {
  fs::copy_file(dir_.path() / "parts.mdb", dir_.path() / "a;b.mdb");
  WriteFile(dir_.path() / "system.mdw", "workgroup");
  const Text texts[] = {
      JetText(db()),
      u"  provider = Microsoft.ACE.OLEDB.12.0 ;  DATA SOURCE =  " + db() + u"  ;",
      u"Provider='Microsoft.Jet.OLEDB.4.0';Data Source=\"" + dir_.file("a;b.mdb") + u"\";Mode=Read",
      u"Jet OLEDB:System Database=" + dir_.file("system.mdw") + u";" + JetText(db()),
  };
  for (const Text& text : texts) {
    SCOPED_TRACE(ToUtf8(text));
    ConnectionRef conn = engine_->new_connection();
    conn->open(text, u"Admin", u"");
    EXPECT_EQ(conn->state(), kStateOpen);
    EXPECT_EQ(conn->connection_string(), text);
    EXPECT_EQ(RowsText(*conn->execute(u"SELECT Count(*) FROM Parts")), u"4");
  }
  // Without a text of its own, Open uses the one set before; a second Open is refused.
  ConnectionRef conn = engine_->new_connection();
  conn->set_connection_string(JetText(db()));
  conn->open(u"", u"", u"");
  EXPECT_EQ(conn->state(), kStateOpen);
  EXPECT_EQ(ErrorNumberOf([&] { conn->open(JetText(db()), u"", u""); }), kErrObjectOpen);
}

TEST_F(SqliteEngineTest, ClosedConnectionsAndTheirRecordSets) {
  ConnectionRef conn = Open();
  RecordsetRef rs = conn->execute(u"SELECT MfgPartNumber FROM Parts");
  conn->close();
  EXPECT_EQ(conn->state(), kStateClosed);
  const auto closed = ErrorOf([&] { conn->close(); });
  ASSERT_TRUE(closed.has_value());
  EXPECT_EQ(closed->number(), kErrObjectClosed);
  EXPECT_EQ(closed->description(), u"Operation is not allowed when the object is closed.");
  EXPECT_EQ(ErrorNumberOf([&] { conn->execute(u"SELECT 1"); }), kErrObjectClosed);
  EXPECT_EQ(ErrorNumberOf([&] { rs->eof(); }), kErrObjectClosed);
  EXPECT_EQ(ErrorNumberOf([&] { rs->value(0); }), kErrObjectClosed);

  // A record set keeps a connection that nobody else holds open.
  rs = Open()->execute(u"SELECT MfgPartNumber FROM Parts ORDER BY MfgPartNumber");
  EXPECT_EQ(RowsText(*rs), u"AB-1;AB-12;ab-13;XY-9");
}

TEST_F(SqliteEngineTest, FieldsByNameAndPositionAndTheirFailures) {
  ConnectionRef conn = Open();
  RecordsetRef rs = conn->execute(
      u"SELECT MfgPartNumber, Description FROM Parts WHERE MfgPartNumber LIKE 'AB-1%' "
      u"ORDER BY MfgPartNumber");
  ASSERT_EQ(rs->field_count(), 2);
  EXPECT_EQ(rs->field_name(1), u"Description");
  EXPECT_EQ(rs->field_index(u"DESCRIPTION"), 1);
  EXPECT_EQ(rs->field(Variant(u"mfgpartnumber")), Variant(u"AB-1"));
  EXPECT_EQ(rs->field(Variant(int16_t{1})), Variant(u""));  // empty text, not Null
  EXPECT_EQ(rs->field(Variant(1.0)), Variant(u""));
  for (const Variant& bad : {Variant(u"Price"), Variant(int16_t{2}), Variant(int32_t{-1}),
                             Variant(40000.0), Variant(kNull), Variant()}) {
    EXPECT_EQ(ErrorNumberOf([&] { rs->field(bad); }), err::kItemNotFound);
  }
  EXPECT_EQ(ErrorNumberOf([&] { rs->value(2); }), err::kItemNotFound);
  rs->move_next();
  rs->move_next();
  EXPECT_EQ(rs->value(1), Variant(u"Relay 'DPDT'"));
  rs->move_next();
  EXPECT_TRUE(rs->eof());
  EXPECT_EQ(ErrorNumberOf([&] { rs->value(0); }), err::kNoCurrentRecord);
  EXPECT_EQ(ErrorNumberOf([&] { rs->move_next(); }), err::kNoCurrentRecord);
  EXPECT_EQ(rs->field_count(), 2);

  const RecordsetRef empty = conn->execute(u"SELECT Description FROM Parts WHERE 1 = 0");
  EXPECT_TRUE(empty->eof());
  EXPECT_EQ(empty->field_count(), 1);
  EXPECT_EQ(ErrorNumberOf([&] { empty->field(Variant(u"description")); }), err::kNoCurrentRecord);
  EXPECT_EQ(conn->execute(u"SELECT Description FROM Parts WHERE MfgPartNumber = 'XY-9'")->value(0),
            Variant(kNull));

  // A command gives an empty set that has no fields.
  const RecordsetRef command = conn->execute(u"UPDATE Parts SET ListPrice = 1 WHERE 1 = 0");
  EXPECT_TRUE(command->eof());
  EXPECT_EQ(command->field_count(), 0);
}

TEST_F(SqliteEngineTest, ValuesTakeTheirKindFromTheDeclaredType) {
  const RecordsetRef rs = Open()->execute(u"SELECT *, 1 + 1, 2.5 * 2 FROM Types");
  const Variant raw = Variant::MakeArray({int16_t{0}, int16_t{255}});
  const Variant first[] = {true, false, int16_t{300}, int32_t{70000}, 4.0,        1.5, 7.0,
                           u"x", u"y",  raw,          int32_t{123},   int32_t{2}, 5.0};
  const Variant second[] = {kNull, true,     int32_t{40000}, 5e9, kNull,      kNull, kNull,
                            u"",   u"héllo", kNull,          2.5, int32_t{2}, 5.0};
  for (const auto& row : {std::span<const Variant>(first), std::span<const Variant>(second)}) {
    ASSERT_FALSE(rs->eof());
    ASSERT_EQ(static_cast<size_t>(rs->field_count()), row.size());
    for (int16_t i = 0; i < rs->field_count(); ++i)
      EXPECT_EQ(rs->value(i), row[i]) << ToUtf8(rs->field_name(i));
    rs->move_next();
  }
  EXPECT_TRUE(rs->eof());
  // Stored queries keep the types of the columns they show.
  EXPECT_EQ(Query(u"SELECT * FROM TypesView"), u"True|300;Null|40000");
}

TEST_F(SqliteEngineTest, TextEqualityIgnoresCaseAndTrailingBlanksButLikeDoesNot) {
  const struct {
    Text where, rows;
  } cases[] = {
      {u"MfgPartNumber = 'ab-12 '", u"AB-12"},
      {u"MfgPartNumber = 'AB-12'", u"AB-12"},
      {u"MfgPartNumber = 'AB-13  '", u"ab-13"},
      {u"MfgPartNumber = ' ab-12'", u""},
      {u"MfgPartNumber = 'ab-12x'", u""},
      {u"MfgPartNumber LIKE 'ab-12 '", u""},
      {u"MfgPartNumber LIKE 'ab-12'", u"AB-12"},
      {u"MfgPartNumber LIKE 'ab-1 %'", u""},
      {u"MfgPartNumber LIKE 'ab-1_'", u"AB-12;ab-13"},
      {u"MfgPartNumber LIKE 'AB%' AND Maker = 'KORVANE  '", u"AB-12;ab-13"},
      {u"MfgPartNumber > 'ab-1 ' AND MfgPartNumber < 'AB-13'", u"AB-12"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.where));
    EXPECT_EQ(Query(u"SELECT MfgPartNumber FROM Parts WHERE " + c.where + u" ORDER BY 1"), c.rows);
  }
  EXPECT_NE(Query(u"EXPLAIN QUERY PLAN SELECT * FROM Parts WHERE MfgPartNumber = 'ab-12 '")
                .find(u"SEARCH Parts USING INDEX ixParts"),
            Text::npos);
  EXPECT_EQ(Query(u"SELECT Count(*) FROM (SELECT DISTINCT Maker FROM Parts)"), u"3");
}

TEST_F(SqliteEngineTest, OnlyOneStatementRuns) {
  const struct {
    Text sql;
    bool accepted;
  } cases[] = {
      {u"SELECT Count(*) FROM Parts;", true},
      {u"SELECT Count(*) FROM Parts ; \r\n\t", true},
      {u"SELECT Count(*) FROM Parts; DELETE FROM Parts", false},
      {u"DELETE FROM Parts; SELECT 1", false},
      {u"SELECT Count(*) FROM Parts;;", false},
      {u"DELETE FROM Parts; -- nothing", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.sql));
    ConnectionRef conn = Open();
    const auto error = ErrorOf([&] { conn->execute(c.sql); });
    if (c.accepted) {
      EXPECT_FALSE(error.has_value());
    } else {
      ASSERT_TRUE(error.has_value());
      EXPECT_EQ(error->number(), kErrSqlSyntax);
      EXPECT_EQ(error->description(), u"Characters found after end of SQL statement.");
    }
    EXPECT_EQ(Query(u"SELECT Count(*) FROM Parts"), u"4");
  }
}

TEST_F(SqliteEngineTest, StatementFaultsCarryTheEngineNumbers) {
  const struct {
    Text sql;
    int32_t number;
    Text description_part;
  } cases[] = {
      {u"SELEC 1", kErrSqlSyntax, u"near \"SELEC\""},
      {u"SELECT * FROM Nowhere", kErrSqlMissingObject,
       u"The Microsoft Jet database engine cannot find the input table or query 'Nowhere'.  Make "
       u"sure it exists and that its name is spelled correctly."},
      {u"SELECT Nope FROM Parts", kErrSqlMissingParameter, u"no such column: Nope"},
      {u"   ", kErrSqlSyntax, u"Invalid SQL statement"},
      {u";", kErrSqlSyntax, u"Invalid SQL statement"},
      {u"CREATE TABLE Parts(x)", kErrSqlSyntax, u"already exists"},
      {u"SELECT abs(-9223372036854775807 - 1)", err::kEngineFailure, u"integer overflow"},
  };
  ConnectionRef conn = Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.sql));
    ExpectFailure([&] { conn->execute(c.sql); }, c.number, c.description_part);
  }
  EXPECT_EQ(conn->state(), kStateOpen);
}

// The library's queries run as written. Repeated lookups reuse one compiled statement with the
// quoted texts bound; what comes back must be exactly what the query as written gives.
TEST_F(SqliteEngineTest, TheLibrarysSqlRunsUnchangedAndRepeatedQueriesGiveTheirOwnRows) {
  ConnectionRef conn = Open();
  const struct {
    Text sql, rows;
  } cases[] = {
      {u"SELECT MfgPartNumber, ListPrice FROM Parts WHERE MfgPartNumber = 'ab-12 '", u"AB-12|12.5"},
      {u"SELECT MfgPartNumber, ListPrice FROM Parts WHERE MfgPartNumber = 'XY-9'", u"XY-9|3.25"},
      {u"SELECT MfgPartNumber, ListPrice FROM Parts WHERE MfgPartNumber = 'none'", u""},
      {u"SELECT Description FROM Parts WHERE Description = 'Relay ''DPDT'''", u"Relay 'DPDT'"},
      {u"SELECT Description FROM Parts WHERE Description = ''", u""},
      {u"SELECT MfgPartNumber FROM Parts WHERE MfgPartNumber LIKE 'ab-1_' AND Maker <> 'x' "
       u"ORDER BY MfgPartNumber",
       u"AB-12;ab-13"},
      {u"SELECT 'kept' AS k, MfgPartNumber FROM Parts WHERE MfgPartNumber = 'AB-1' -- 'note'",
       u"kept|AB-1"},
      {u"SELECT [Item Code] FROM [Item Codes] WHERE [Item Code] = 'RLY'", u"RLY"},
      {u"SELECT MfgPartNumber FROM Parts WHERE Active = True ORDER BY MfgPartNumber",
       u"AB-1;AB-12"},
      {u"SELECT Count(*) FROM Parts WHERE Active = False", u"2"},
      {u"SELECT MfgPartNumber AS PartNo, * FROM Parts WHERE MfgPartNumber = 'xy-9'",
       u"XY-9|XY-9|Null|3.25|Nobody|False"},
      {u"SELECT * FROM qrySoccParts ORDER BY MfgPartNumber",
       u"AB-1|True|US;AB-12|True|SE;ab-13|False|SE"},
      {u"SELECT p.MfgPartNumber, m.Country FROM Parts AS p INNER JOIN Makers AS m ON p.Maker = "
       u"m.Maker WHERE (m.Country = 'SE' OR m.Country = 'us') AND p.ListPrice > 10",
       u"AB-12|SE"},
      {u"SELECT MfgPartNumber FROM Parts WHERE Description LIKE 'Relay%' AND MfgPartNumber LIKE "
       u"'_B-1_' ORDER BY MfgPartNumber",
       u"AB-12;ab-13"},
      {u"SELECT Maker, MfgPartNumber FROM Parts ORDER BY Maker, ListPrice DESC, MfgPartNumber",
       u"Acme|AB-1;Korvane|AB-12;korvane|ab-13;Nobody|XY-9"},
      {u"SELECT MfgPartNumber FROM Parts WHERE Description = 'Relay ''DPDT'''", u"ab-13"},
      {u"SELECT [Point Count], [Item Codes].[Item Code] FROM [Item Codes]", u"2|RLY"},
  };
  for (int round = 0; round < 2; ++round)
    for (const auto& c : cases) EXPECT_EQ(RowsText(*conn->execute(c.sql)), c.rows) << ToUtf8(c.sql);

  // Texts before WHERE stay in the query, so result names do not change.
  const RecordsetRef named = conn->execute(u"SELECT 'a' FROM Parts WHERE MfgPartNumber = 'AB-1'");
  EXPECT_EQ(named->field_name(0), u"'a'");

  // A second reader of the same query while the first is still reading gets its own statement.
  const Text sql = u"SELECT MfgPartNumber FROM Parts WHERE Maker = 'korvane' ORDER BY 1";
  const RecordsetRef outer = conn->execute(sql);
  const RecordsetRef inner = conn->execute(sql);
  EXPECT_EQ(RowsText(*inner), u"AB-12;ab-13");
  EXPECT_EQ(RowsText(*outer), u"AB-12;ab-13");
}

// A query run before with other texts is not translated again but runs as the earlier one did
// with its own texts: each must give what it gives on a fresh connection, also where the
// dialect's reading and the lifting of texts part (double-quoted texts, a "?" of the caller's
// own, a text next to a concatenation or a date).
TEST_F(SqliteEngineTest, AQueryLikeAnEarlierOneGivesWhatItGivesAlone) {
  const auto outcome = [](ConnectionRef conn, const Text& sql) {
    Text rows;
    const std::optional<Error> failure = ErrorOf([&] { rows = RowsText(*conn->execute(sql)); });
    return failure ? u"error " + IntegerText(failure->number()) : rows;
  };
  const struct {
    Text earlier, later;
  } cases[] = {
      {u"SELECT MfgPartNumber, ListPrice FROM Parts WHERE MfgPartNumber = 'AB-12'",
       u"SELECT MfgPartNumber, ListPrice FROM Parts WHERE MfgPartNumber = 'xy-9 '"},
      {u"SELECT Description FROM Parts WHERE Description = 'Relay ''DPDT'''",
       u"SELECT Description FROM Parts WHERE Description = 'Relay, 24 V'"},
      {u"SELECT MfgPartNumber FROM Parts WHERE MfgPartNumber = 'AB' & '-12'",
       u"SELECT MfgPartNumber FROM Parts WHERE MfgPartNumber = 'XY' & '-9'"},
      {u"SELECT MfgPartNumber FROM Parts WHERE Maker = \"Korvane\" AND Description = 'x'",
       u"SELECT MfgPartNumber FROM Parts WHERE Maker = \"Korvane\" AND Description = 'Relay, 24 "
       u"V'"},
      {u"SELECT MfgPartNumber FROM Parts WHERE MfgPartNumber = 'AB-12' AND Maker = 'Korvane'",
       u"SELECT MfgPartNumber FROM Parts WHERE MfgPartNumber = ? AND Maker = 'Korvane'"},
      {u"SELECT MfgPartNumber FROM Parts WHERE MfgPartNumber = ? AND Maker = 'Korvane'",
       u"SELECT MfgPartNumber FROM Parts WHERE MfgPartNumber = 'AB-12' AND Maker = 'Korvane'"},
      {u"SELECT MfgPartNumber FROM Parts WHERE Maker = 'Acme' AND #1/2/2003# > 'a'",
       u"SELECT MfgPartNumber FROM Parts WHERE Maker = 'Korvane' AND #1/2/2003# > '3'"},
      {u"SELECT TOP 1 MfgPartNumber FROM Parts WHERE Maker = 'korvane' ORDER BY 1",
       u"SELECT TOP 1 MfgPartNumber FROM Parts WHERE Maker = 'Acme' ORDER BY 1"},
      {u"SELECT MfgPartNumber FROM Parts WHERE Maker = 'Acme'",
       u"SELECT MfgPartNumber FROM Parts WHERE Maker = 'Acme"},
  };
  for (const auto& c : cases) {
    ConnectionRef conn = Open();
    const Text earlier = outcome(conn, c.earlier);
    EXPECT_EQ(earlier, outcome(Open(), c.earlier)) << ToUtf8(c.earlier);
    EXPECT_EQ(outcome(conn, c.later), outcome(Open(), c.later)) << ToUtf8(c.later);
    EXPECT_EQ(outcome(conn, c.earlier), earlier) << ToUtf8(c.earlier);
  }
}

// Look-ups read together share one view of the file, yet nothing is held past them: a write
// inside ends the view and is committed at once, and once they end, other writers go ahead and
// the next look-up sees what they wrote.
TEST_F(SqliteEngineTest, LookUpsReadTogetherLeaveWritesAndLaterChangesVisible) {
  const Text count = u"SELECT Count(*) FROM Parts WHERE Maker = 'Korvane'";
  ConnectionRef conn = Open();
  {
    const ReadsTogether reads(conn);
    EXPECT_EQ(RowsText(*conn->execute(count)), u"2");
    conn->execute(u"INSERT INTO Parts (MfgPartNumber, Maker) VALUES ('AB-14', 'Korvane')");
    EXPECT_EQ(Query(count), u"3");  // another connection sees the write
    EXPECT_EQ(RowsText(*conn->execute(count)), u"3");
  }
  Open()->execute(u"DELETE FROM Parts WHERE MfgPartNumber = 'AB-12'");
  EXPECT_EQ(RowsText(*conn->execute(count)), u"2");
  {
    const ReadsTogether reads(conn);
    EXPECT_EQ(RowsText(*conn->execute(count)), u"2");
    conn->close();
  }
  conn->open(JetText(db()), u"", u"");
  Open()->execute(u"DELETE FROM Parts WHERE MfgPartNumber = 'AB-14'");
  EXPECT_EQ(RowsText(*conn->execute(count)), u"1");
}

TEST_F(SqliteEngineTest, CopyFileCopiesOneFileOrFailsReadably) {
  const fs::path& d = dir_.path();
  WriteFile(d / "Blank.mdb", "template");
  WriteFile(d / "kept.mdb", "kept");
  fs::create_directory(d / "folder");
  const struct {
    std::string from, to;
    bool overwrite;
    int32_t number;  // 0: copied
  } cases[] = {
      {"Blank.mdb", "new.mdb", false, 0},
      {"Blank.mdb", "kept.mdb", false, kErrFileExists},
      {"no-such.mdb", "other.mdb", true, kErrFileNotFound},
      {"", "other.mdb", true, kErrFileNotFound},
      {"folder", "other.mdb", true, kErrFileNotFound},
      {"Blank.mdb", "folder", true, kErrFileAccess},
      {"Blank.mdb", "no-such-folder/new.mdb", true, kErrPathNotFound},
      {"Blank.mdb", "kept.mdb", true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from + " -> " + c.to);
    const Text from = c.from.empty() ? Text() : dir_.file(c.from), to = dir_.file(c.to);
    const std::string before = ReadFile(d / c.to);
    if (c.number == 0) {
      EXPECT_EQ(ErrorNumberOf([&] { engine_->copy_file(from, to, c.overwrite); }), 0);
      EXPECT_EQ(ReadFile(d / c.to), "template");
    } else {
      ExpectFailure([&] { engine_->copy_file(from, to, c.overwrite); }, c.number,
                    c.number == kErrFileNotFound ? from : to);
      EXPECT_EQ(ReadFile(d / c.to), before);
    }
  }
  for (const auto& entry : fs::directory_iterator(d))
    EXPECT_EQ(entry.path().string().find(".kvpw-partial"), std::string::npos);
}

TEST_F(SqliteEngineTest, MacrosReachRecordSetsAndConnectionsLateBound) {
  const ObjectRef conn = engine_->new_connection();
  Let(conn, u"ConnectionString", JetText(db()));
  Call(conn, u"Open");
  EXPECT_EQ(Get(conn, u"State"), Variant(int32_t{1}));
  EXPECT_EQ(DefaultValue(conn), Variant(JetText(db())));

  Variant sql = u"SELECT MfgPartNumber, ListPrice FROM Parts ORDER BY MfgPartNumber";
  const ObjectRef rs = Call(conn, u"Execute", {&sql}).object();
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(Get(Get(rs, u"Fields").object(), u"Count"), Variant(int32_t{2}));
  Variant name = u"mfgPartNumber", position = int16_t{1};
  Text seen;
  while (!ToBoolean(Get(rs, u"EOF"))) {
    Variant* args[] = {&name};
    const ObjectRef by_default = rs->Invoke(kDispIdValue, kPropertyGet | kMethod, args).object();
    const ObjectRef by_fields = Get(rs, u"Fields", {&name}).object();
    EXPECT_EQ(DefaultValue(by_default), Get(by_fields, u"Value"));
    const Variant price = DefaultValue(Get(rs, u"Fields", {&position}).object());
    seen += ToText(Get(by_fields, u"Value")) + u"=" + (price.is_null() ? u"Null" : ToText(price)) +
            u" ";
    Call(rs, u"MoveNext");
  }
  EXPECT_EQ(seen, u"AB-1=Null AB-12=12.5 ab-13=7 XY-9=3.25 ");

  Variant unknown = u"Price";
  const ObjectRef field = Get(rs, u"Fields", {&position}).object();
  EXPECT_EQ(Get(field, u"Name"), Variant(u"ListPrice"));
  EXPECT_EQ(ErrorNumberOf([&] { Get(field, u"Value"); }), err::kNoCurrentRecord);
  EXPECT_EQ(ErrorNumberOf([&] { Call(rs, u"MoveNext"); }), err::kNoCurrentRecord);
  EXPECT_EQ(ErrorNumberOf([&] { Get(rs, u"Fields", {&unknown}); }), err::kItemNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { Get(rs, u"RecordCount"); }), err::kMemberNotSupported);

  Call(conn, u"Close");
  EXPECT_EQ(Get(conn, u"State"), Variant(int32_t{0}));
  EXPECT_EQ(ErrorNumberOf([&] { Get(rs, u"EOF"); }), kErrObjectClosed);
}

}  // namespace
}  // namespace kvpw::db
