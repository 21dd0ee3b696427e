// Desktop-database files written by the desktop engine itself, read through the same connection
// texts the library builds for any catalogue.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <span>
#include <string>
#include <type_traits>
#include <variant>

#include "db/engine_checks.h"
#include "db/mdb/import.h"
#include "db/mdb/mdb_file.h"
#include "db/sqlite_engine.h"
#include "frame/error.h"
#include "host/memory_controls.h"
#include "roster/roster.h"
#include "testing/support.h"

namespace kvpw::db {
namespace {

namespace fs = std::filesystem;

fs::path MdbFolder() {
  const char* shared = std::getenv("KVPW_SHARED");
  return shared ? fs::path(shared) / "testdata" / "mdb" : fs::path();
}

class MdbFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (MdbFolder().empty() || !fs::is_directory(MdbFolder()))
      GTEST_SKIP() << "no shared desktop-database files";
    // A cache of this test's own, so that each run imports afresh.
    setenv("XDG_CACHE_HOME", ToUtf8(dir_.file("cache")).c_str(), 1);
  }
  void TearDown() override { unsetenv("XDG_CACHE_HOME"); }

  ConnectionRef Open(const std::string& file) {
    ConnectionRef c = engine_->new_connection();
    c->open(
        u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + FromUtf8((MdbFolder() / file).string()),
        u"", u"");
    return c;
  }

  testing::TempDir dir_;
  std::shared_ptr<Engine> engine_ = MakeSqliteEngine();
};

// Every column kind of the format, in Jet 3 and Jet 4 files, reads as the record set gives it.
TEST_F(MdbFilesTest, ColumnsReadInTheirOwnKinds) {
  for (const char* file : {"testV1997.mdb", "testV2003.mdb"}) {
    SCOPED_TRACE(file);
    const RecordsetRef rs =
        Open(file)->execute(u"SELECT A, B, C, D, E, F, G, H, I FROM Table1 ORDER BY A");
    const Variant first[] = {
        u"a", u"b", int16_t{0}, int16_t{0}, int32_t{0}, 0.0, u"1981-12-12 00:00:00", 0.0, false};
    const Variant second[] = {
        u"abcdefg", u"hijklmnop",           int16_t{2}, int16_t{222}, int32_t{333333333},
        444.555,    u"1974-09-21 00:00:00", 3.5,        true};
    for (const auto& row : {std::span<const Variant>(first), std::span<const Variant>(second)}) {
      ASSERT_FALSE(rs->eof());
      for (int16_t i = 0; i < rs->field_count(); ++i)
        EXPECT_EQ(rs->value(i), row[i]) << ToUtf8(rs->field_name(i));
      rs->move_next();
    }
    EXPECT_TRUE(rs->eof());
  }
}

TEST_F(MdbFilesTest, EveryTableHoldsTheRowsTheFileHolds) {
  const struct {
    const char* file;
    const char16_t* sql;
    const char16_t* rows;
  } cases[] = {
      {"testUnicodeCompV2003.mdb", u"SELECT Unicode FROM [Table] WHERE ID = 2", u"ääkkösiä"},
      {"testUnicodeCompV2003.mdb", u"SELECT Count(*) FROM [Table]", u"8"},
      {"overflowTestV2003.mdb", u"SELECT Count(*) FROM Table1", u"7"},
      {"test2V2003.mdb", u"SELECT Count(*) FROM MSP_PROJECTS", u"1"},
      {"fixedNumericTestV2003.mdb", u"SELECT Count(*) FROM test", u"1"},
      {"queryTestV2003.mdb", u"SELECT Count(*) FROM Table3", u"0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const RecordsetRef rs = Open(c.file)->execute(c.sql);
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(ToText(rs->value(0)), Text(c.rows));
  }
}

// The original is only read, and a second connection uses the copy made by the first.
TEST_F(MdbFilesTest, TheFileStaysAsItWasAndIsImportedOnce) {
  const fs::path file = MdbFolder() / "testV2003.mdb";
  const auto before = fs::last_write_time(file);
  const std::string copy = mdb::ImportedCopy(file.string());
  EXPECT_TRUE(copy.starts_with(ToUtf8(dir_.file("cache"))));
  const auto built = fs::last_write_time(copy);
  Open("testV2003.mdb")->execute(u"SELECT * FROM Table1");
  EXPECT_EQ(fs::last_write_time(copy), built);
  EXPECT_EQ(fs::last_write_time(file), before);
}

// A catalogue edited between two operations is read afresh by the next, and the cache keeps
// one copy and one lock per catalogue, however often it changes.
TEST_F(MdbFilesTest, AChangedFileIsImportedAgainAndItsOldCopyGoes) {
  const fs::path catalogue = dir_.path() / "parts.mdb";
  const auto count_rows = [&] {
    ConnectionRef c = engine_->new_connection();
    c->open(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + FromUtf8(catalogue.string()), u"",
            u"");
    return ToText(c->execute(u"SELECT COUNT(*) FROM Table1")->value(0));
  };
  const auto cache_entries = [&] {
    std::multiset<std::string> kinds;
    for (const auto& entry : fs::directory_iterator(dir_.path() / "cache" / "kvpw"))
      kinds.insert(entry.path().extension().string());
    return kinds;
  };
  const std::multiset<std::string> one_each{".lock", ".sqlite"};
  fs::copy_file(MdbFolder() / "testV1997.mdb", catalogue);
  EXPECT_EQ(count_rows(), u"2");
  EXPECT_EQ(cache_entries(), one_each);
  const auto first = fs::last_write_time(catalogue);
  fs::copy_file(MdbFolder() / "queryTestV1997.mdb", catalogue,
                fs::copy_options::overwrite_existing);
  fs::last_write_time(catalogue, first + std::chrono::seconds(5));
  EXPECT_EQ(count_rows(), u"0");
  EXPECT_EQ(cache_entries(), one_each);
}

TEST_F(MdbFilesTest, DamagedFilesFailToOpenWithAReason) {
  const std::string whole = [] {
    std::ifstream in(MdbFolder() / "testV2003.mdb", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  for (const size_t keep : {size_t{600}, size_t{4096}, whole.size() / 2}) {
    SCOPED_TRACE(keep);
    const fs::path cut = dir_.path() / ("cut" + std::to_string(keep) + ".mdb");
    std::ofstream(cut, std::ios::binary) << whole.substr(0, keep);
    ConnectionRef c = engine_->new_connection();
    try {
      c->open(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + FromUtf8(cut.string()), u"", u"");
      c->execute(u"SELECT * FROM Table1");
      ADD_FAILURE() << "a damaged file opened";
    } catch (const Error& e) {
      EXPECT_NE(e.description().find(u"Unable to open database: "), Text::npos)
          << ToUtf8(e.description());
    }
  }
}

// Rows as text, Null as "<null>", for comparing two queries' results.
std::vector<std::vector<Text>> AllRows(Connection& c, TextView sql) {
  std::vector<std::vector<Text>> rows;
  for (RecordsetRef rs = c.execute(sql); !rs->eof(); rs->move_next()) {
    rows.emplace_back();
    for (int16_t i = 0; i < rs->field_count(); ++i)
      rows.back().push_back(rs->value(i).is_null() ? Text(u"<null>") : ToText(rs->value(i)));
  }
  return rows;
}

std::string ReadWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

unsigned char* Bytes(std::string& s, size_t at = 0) {
  return reinterpret_cast<unsigned char*>(s.data()) + at;
}

// The header's scrambled part, undone and redone around a change.
void EditHeader(std::string& file, const std::function<void(unsigned char*)>& edit) {
  static constexpr unsigned char kKey[] = {0xc7, 0xda, 0x39, 0x6b};
  const size_t size = file[0x14] == 0 ? 0x7e : 0x80;
  mdb::Rc4(kKey, sizeof kKey, Bytes(file, 0x18), size);
  edit(Bytes(file));
  mdb::Rc4(kKey, sizeof kKey, Bytes(file, 0x18), size);
}

// Bytes changed anywhere in the first pages (header, catalogue, system tables): the open works,
// or fails with the open failure and a reason; the caller's process is never taken down.
TEST_F(MdbFilesTest, DamagedPagesFailWithTheOpenFailure) {
  const std::string whole = ReadWhole(MdbFolder() / "testV1997.mdb");
  std::mt19937 random(7);
  int failed = 0;
  for (int round = 0; round < 200; ++round) {
    std::string damaged = whole;
    for (unsigned k = 0, n = 1 + random() % 40; k < n; ++k)
      damaged[0x14 + random() % (20000 - 0x14)] = static_cast<char>(random());
    const fs::path file = dir_.path() / ("damaged" + std::to_string(round) + ".mdb");
    std::ofstream(file, std::ios::binary) << damaged;
    try {
      engine_->new_connection()->open(
          u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + FromUtf8(file.string()), u"", u"");
    } catch (const Error& e) {
      ++failed;
      EXPECT_EQ(e.number(), err::kEngineFailure) << round;
      EXPECT_TRUE(e.description().starts_with(u"Unable to open database: "))
          << round << ": " << ToUtf8(e.description());
    }
  }
  EXPECT_GT(failed, 0) << "the damage should make some files unreadable";
}

// The desktop engine refuses a file with a database password when the connection gives none,
// as the library's never do; Jet 4 masks the password with the creation date's whole days.
TEST_F(MdbFilesTest, AFileWithADatabasePasswordIsRefusedSayingSo) {
  for (const char* name : {"testV1997.mdb", "testV2003.mdb"}) {
    SCOPED_TRACE(name);
    std::string file = ReadWhole(MdbFolder() / name);
    EditHeader(file, [&](unsigned char* h) {
      const std::string password = "secret";
      if (file[0x14] == 0) {
        std::memcpy(h + 0x42, password.data(), password.size());
        return;
      }
      double created;
      std::memcpy(&created, h + 0x72, sizeof created);
      const int32_t days = static_cast<int32_t>(created);
      unsigned char mask[4];
      std::memcpy(mask, &days, sizeof mask);
      for (size_t i = 0; i < password.size(); ++i)
        h[0x42 + 2 * i] = password[i] ^ mask[(2 * i) % 4];
    });
    const fs::path locked = dir_.path() / ("locked-" + std::string(name));
    std::ofstream(locked, std::ios::binary) << file;
    testing::ExpectFailure(
        [&] {
          engine_->new_connection()->open(
              u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + FromUtf8(locked.string()), u"",
              u"");
        },
        err::kEngineFailure, u"Unable to open database: the database is protected by a password");
  }
}

// Every table's rows, each value printed, straight from the file.
std::vector<std::string> TableDump(const fs::path& file) {
  std::vector<std::string> out;
  const auto mdb = mdb::MdbFile::Open(file.string());
  for (const mdb::Object& object : mdb->objects()) {
    if (object.kind != mdb::ObjectKind::kTable) continue;
    mdb->read_table(object.name, [&](std::span<const mdb::Value> row) {
      std::string line = object.name + ":";
      for (const mdb::Value& v : row)
        std::visit(
            [&](const auto& x) {
              using T = std::decay_t<decltype(x)>;
              if constexpr (std::is_same_v<T, std::monostate>)
                line += "|null";
              else if constexpr (std::is_same_v<T, mdb::Bytes>)
                line += "|" + std::to_string(x.data.size()) + "b";
              else if constexpr (std::is_same_v<T, std::string>)
                line += "|" + x;
              else
                line += "|" + std::to_string(x);
            },
            v);
      out.push_back(line);
    });
  }
  return out;
}

// An "encrypted" file (every page after the first scrambled under a key kept in the header)
// needs no password: it reads as the plain file does, long values on other pages included.
TEST_F(MdbFilesTest, AnEncryptedFileReadsAsThePlainOne) {
  for (const char* name : {"testV1997.mdb", "testV2003.mdb", "overflowTestV2003.mdb"}) {
    SCOPED_TRACE(name);
    std::string file = ReadWhole(MdbFolder() / name);
    const uint32_t key = 0x1234abcd;
    EditHeader(file, [&](unsigned char* h) { std::memcpy(h + 0x3e, &key, sizeof key); });
    const size_t page = file[0x14] == 0 ? 2048 : 4096;
    for (size_t pg = 1; pg * page < file.size(); ++pg) {
      const uint32_t page_key = key ^ static_cast<uint32_t>(pg);
      unsigned char k[4];
      std::memcpy(k, &page_key, sizeof k);
      mdb::Rc4(k, sizeof k, Bytes(file, pg * page), page);
    }
    const fs::path encrypted = dir_.path() / ("encrypted-" + std::string(name));
    std::ofstream(encrypted, std::ios::binary) << file;
    const auto plain = TableDump(MdbFolder() / name);
    EXPECT_GE(plain.size(), 2u);
    EXPECT_EQ(TableDump(encrypted), plain);
  }
}

// The stored select query gives what its documented SQL gives, on tables that hold rows: the
// query-test files' tables are empty, so rows are added to a copy of the imported copy.
TEST_F(MdbFilesTest, StoredQueriesGiveTheRowsOfTheSqlTheyStandFor) {
  for (const char* file : {"queryTestV1997.mdb", "queryTestV2003.mdb"}) {
    SCOPED_TRACE(file);
    const fs::path filled = dir_.path() / (std::string(file) + ".sqlite");
    fs::copy_file(mdb::ImportedCopy((MdbFolder() / file).string()), filled);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(filled.c_str(), &db), SQLITE_OK);
    const char* rows =
        "INSERT INTO Table1 VALUES ('foo','x','1'),('buzz','y','2'),('bar','z','3');"
        "INSERT INTO Table2 VALUES ('foo','foo','t'),('BUZZ','buzz','v'),('bar','bar','w'),"
        "('foo','bazz','u');"
        "INSERT INTO Table3 VALUES ('foo','p','zz'),('buzz','q','blah'),('foo','s','x2');";
    ASSERT_EQ(sqlite3_exec(db, rows, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
    ConnectionRef c = engine_->new_connection();
    c->open(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + FromUtf8(filled.string()), u"", u"");
    const auto stored = AllRows(*c, u"SELECT * FROM SelectQuery");
    const auto documented =
        AllRows(*c,
                u"SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3 "
                u"FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON "
                u"(Table3.col1 = Table2.col2) AND (Table3.col1 = Table2.col1) "
                u"WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\"))) "
                u"ORDER BY Table2.col1;");
    EXPECT_EQ(stored, documented);
    EXPECT_EQ(stored.size(), 3u);  // foo twice through Table3, buzz (BUZZ) once
    // A query on the query, joined with a table, as any table is used.
    EXPECT_EQ(AllRows(*c,
                      u"SELECT q.col3, Table3.col2 FROM SelectQuery AS q INNER JOIN Table3 ON "
                      u"q.col1 = Table3.col1 ORDER BY 1, 2")
                  .size(),
              5u);
  }
}

TEST_F(MdbFilesTest, QueriesThatAreNotSelectionsAreRefusedWithTheirKind) {
  const ConnectionRef c = Open("queryTestV2003.mdb");
  const struct {
    const char16_t* query;
    const char16_t* reason;
  } cases[] = {
      {u"AppendQuery", u"action query"},
      {u"UpdateQuery", u"action query"},
      {u"DeleteQuery", u"action query"},
      {u"MakeTableQuery", u"action query"},
      {u"CrosstabQuery", u"crosstab"},
      {u"PassthroughQuery", u"pass-through"},
      {u"DataDefinitionQuery", u"data-definition"},
  };
  for (const auto& q : cases) {
    try {
      c->execute(u"SELECT * FROM " + Text(q.query));
      ADD_FAILURE() << ToUtf8(q.query) << " ran";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), kErrSqlSyntax);
      EXPECT_NE(e.description().find(q.reason), Text::npos) << ToUtf8(e.description());
      EXPECT_NE(e.description().find(q.query), Text::npos) << ToUtf8(e.description());
    }
  }
  // The union's parts name no table (FROM is missing), so the engine asks for their columns.
  EXPECT_EQ(testing::ErrorNumberOf([&] { c->execute(u"SELECT * FROM UnionQuery"); }),
            kErrSqlMissingParameter);
  EXPECT_EQ(testing::ErrorNumberOf([&] { c->execute(u"SELECT * FROM NoSuchQuery"); }),
            kErrSqlMissingObject);
}

// The library's operations, called as a macro calls them, on a desktop-database file.
TEST_F(MdbFilesTest, OperationsReadTheFileThroughDispatch) {
  const auto test = testing::MakeTestPlatform();
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", test.platform);
  Variant file = FromUtf8((MdbFolder() / "testV2003.mdb").string());
  Variant sql = u"SELECT A, D, E, I FROM Table1 WHERE A Like \"abc*\" AND I = True", found;
  const Variant row = Call(pw2, u"GetDatabaseTableRow", {&file, &sql, &found});
  EXPECT_EQ(found, Variant(true));
  ASSERT_TRUE(row.is_array());
  EXPECT_EQ(*row.array().items,
            (std::vector<Variant>{u"abcdefg", int16_t{222}, int32_t{333333333}, true, Variant()}));

  auto combo = std::make_shared<host::MemoryComboBox>(u"cboPart");
  Variant control = ObjectRef(combo), list_sql = u"SELECT A, B FROM Table1", field = u"A",
          filter_field = u"B", filter = u"h*", field2 = u"B";
  Variant* args[] = {&file, &control, &list_sql, &field, &filter_field, &filter, nullptr, &field2};
  pw2->Invoke(*pw2->IdOfName(u"populatecombo"), kMethod, args);
  ASSERT_EQ(combo->list_count(), 1);
  EXPECT_EQ(combo->column(0, 0), Variant(u"abcdefg"));
  EXPECT_EQ(combo->column(1, 0), Variant(u"hijklmnop"));
  EXPECT_TRUE(test.boxes->boxes().empty());

  // A fill-in on a file that is no parts catalogue: the part's query fails with the missing
  // object named, in the fill-in's plain box, and the dialog keeps what it held.
  auto part = std::make_shared<host::MemoryComboBox>(u"cboPart");
  part->set_text(u"BRP-1");
  auto man = std::make_shared<host::MemoryTextBox>(u"txtMan");
  man->set_text(u"kept");
  Variant part_arg = ObjectRef(part), man_arg = ObjectRef(man),
          ven = ObjectRef(std::make_shared<host::MemoryTextBox>(u"txtVen")),
          desc = ObjectRef(std::make_shared<host::MemoryTextBox>(u"txtDesc"));
  Call(pw2, u"FillInAccFields", {&file, &part_arg, &man_arg, &ven, &desc});
  ASSERT_EQ(test.boxes->boxes().size(), 1u);
  const host::Box& box = test.boxes->boxes().front();
  EXPECT_EQ(box.style, 0);
  EXPECT_TRUE(box.text.starts_with(u"Unable to query '" + file.text() + u"': "))
      << ToUtf8(box.text);
  EXPECT_NE(box.text.find(u"qrySoccParts"), Text::npos) << ToUtf8(box.text);
  EXPECT_EQ(man->text(), u"kept");
}

}  // namespace
}  // namespace kvpw::db
