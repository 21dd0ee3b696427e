// Desktop-database files written by the desktop engine itself, read through the same connection
// texts the library builds for any catalogue.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "db/mdb/import.h"
#include "db/sqlite_engine.h"
#include "frame/error.h"
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

}  // namespace
}  // namespace kvpw::db
