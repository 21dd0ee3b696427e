#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <list>

#include "db/engine.h"
#include "db/kv_ado_connection.h"
#include "frame/error.h"
#include "testing/support.h"

namespace kvpw {
namespace {

constexpr TextView kJetPrefix = u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";

class ConnectionTest : public ::testing::Test {
 protected:
  ConnectionTest() {
    testing::BuildDatabase(dir_.path() / "parts.mdb",
                           "CREATE TABLE t(k TEXT COLLATE NOCASE, v INTEGER);"
                           "INSERT INTO t VALUES('a', 1), ('b', 2);");
  }
  KvAdoConnection Make() { return KvAdoConnection(platform_); }
  // A connection object whose file name is the test database, kept until the test ends.
  KvAdoConnection& OnDb() {
    KvAdoConnection& conn = made_.emplace_back(platform_);
    conn.LetFileName(db());
    return conn;
  }
  // The row count of t, read through a connection of its own.
  Variant Rows() {
    Text error;
    return OnDb().ConnQuery(u"SELECT Count(*) FROM t", error)->value(0);
  }
  Text db() const { return dir_.file("parts.mdb"); }

  testing::TempDir dir_;
  PlatformRef platform_ = testing::MakeTestPlatform().platform;
  std::list<KvAdoConnection> made_;
};

TEST_F(ConnectionTest, WorksOutTypeProviderAndConnectionText) {
  const struct {
    Text file_name, dsn, db_type, provider, conn_string;
  } cases[] = {
      {u"C:\\Data\\PARTS.MDB", u"", u"MDB", u"Microsoft.Jet.OLEDB.4.0",
       Text(kJetPrefix) + u"C:\\Data\\PARTS.MDB"},
      {u"/srv/x.cdb", u"", u"MDB", u"Microsoft.Jet.OLEDB.4.0", Text(kJetPrefix) + u"/srv/x.cdb"},
      {u"book.xls", u"", u"EXCEL", u"", u""},
      {u"list.CSV", u"", u"CSV", u"", u""},
      {u"notes.txt", u"", u"TEXT", u"", u""},
      {u"new.accdb", u"", u"", u"", u""},
      {u"mdb", u"", u"", u"", u""},
      {u".mdb", u"", u"MDB", u"Microsoft.Jet.OLEDB.4.0", Text(kJetPrefix) + u".mdb"},
      {u"noext", u"", u"", u"", u""},
      {u"", u"", u"", u"", u""},
      {u"parts.mdb", u"Parts", u"MDB", u"Microsoft.Jet.OLEDB.4.0", u"DSN=Parts"},
      {u"", u"Parts", u"", u"", u"DSN=Parts"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.file_name));
    KvAdoConnection conn = Make();
    conn.LetFileName(c.file_name);
    conn.LetDSN(c.dsn);
    EXPECT_EQ(conn.ConnString(), c.conn_string);
    EXPECT_EQ(conn.DBType(), c.db_type);
    EXPECT_EQ(conn.Provider(), c.provider);
  }
}

TEST_F(ConnectionTest, ComputedValuesAreKeptUntilAssigned) {
  KvAdoConnection conn = Make();
  conn.LetFileName(u"a.mdb");
  EXPECT_EQ(conn.ConnString(), Text(kJetPrefix) + u"a.mdb");
  conn.LetFileName(u"b.xls");
  EXPECT_EQ(conn.ConnString(), Text(kJetPrefix) + u"a.mdb");
  EXPECT_EQ(conn.DBType(), u"MDB");
  conn.LetConnString(u"");
  EXPECT_EQ(conn.ConnString(), Text(kJetPrefix) + u"b.xls");  // type and provider were kept
  conn.LetDBType(u"");
  conn.LetProvider(u"");
  conn.LetConnString(u"");
  EXPECT_EQ(conn.ConnString(), u"");
  EXPECT_EQ(conn.DBType(), u"EXCEL");

  // An unknown type stores nothing, so a later file name is still looked at.
  KvAdoConnection late = Make();
  late.LetFileName(u"x.dat");
  EXPECT_EQ(late.DBType(), u"");
  late.LetFileName(u"x.mdb");
  EXPECT_EQ(late.DBType(), u"MDB");
}

TEST_F(ConnectionTest, QueriesShareOneConnectionUntilClosed) {
  KvAdoConnection& conn = OnDb();
  EXPECT_EQ(conn.Connection(), nullptr);
  conn.ConnClose();  // nothing to close
  Text error = u"stale";
  db::RecordsetRef rs = conn.ConnQuery(u"SELECT v FROM t WHERE k = 'B '", error);
  EXPECT_EQ(error, u"");
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(rs->value(0), Variant(int32_t{2}));
  const db::ConnectionRef first = conn.Connection();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(conn.ConnIsOpen());
  conn.ConnQuery(u"SELECT 1", error);
  EXPECT_EQ(conn.Connection(), first);
  EXPECT_EQ(conn.ConnOpen(error), first);

  conn.ConnClose();
  EXPECT_EQ(first->state(), db::kStateClosed);
  EXPECT_FALSE(conn.ConnIsOpen());
  EXPECT_EQ(conn.Connection(), nullptr);
  conn.ConnQuery(u"SELECT 1", error);
  EXPECT_NE(conn.Connection(), first);

  // A connection closed behind the object's back is forgotten on the next reading.
  conn.Connection()->close();
  EXPECT_EQ(conn.Connection(), nullptr);
}

TEST_F(ConnectionTest, FailuresComeBackAsReasonTexts) {
  const Text missing = dir_.file("missing.mdb");
  const struct {
    Text file_name, sql, reason_prefix, must_contain;
  } cases[] = {
      {missing, u"SELECT 1", u"Unable to open database: ", missing},
      {u"sheet.xls", u"SELECT 1", u"Unable to open database: ", u""},
      {db(), u"SELECT nope FROM t", u"Error executing query: ", u"nope"},
      {db(), u"SELEC 1", u"Error executing query: ", u"SELEC"},
      {db(), u"SELECT 1; DELETE FROM t", u"Error executing query: ", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.sql));
    KvAdoConnection conn = Make();
    conn.LetFileName(c.file_name);
    Text error;
    EXPECT_EQ(conn.ConnQuery(c.sql, error), nullptr);
    EXPECT_EQ(error.rfind(c.reason_prefix, 0), 0u) << ToUtf8(error);
    EXPECT_GT(error.size(), c.reason_prefix.size()) << "no description from the engine";
    EXPECT_NE(error.find(c.must_contain), Text::npos) << ToUtf8(error);
    EXPECT_EQ(conn.ConnExecute(c.sql).substr(0, c.reason_prefix.size()), c.reason_prefix);
  }
  KvAdoConnection conn = Make();
  conn.LetFileName(missing);
  Text error;
  EXPECT_EQ(conn.ConnOpen(error), nullptr);
  EXPECT_EQ(error.rfind(u"Unable", 0), Text::npos) << "ConnOpen gives the bare description";
  EXPECT_NE(error.find(missing), Text::npos);
  // The workgroup file is passed to the engine.
  KvAdoConnection& workgroup = OnDb();
  workgroup.LetMDWFile(dir_.file("system.mdw"));
  EXPECT_EQ(workgroup.ConnOpen(error), nullptr);
  EXPECT_NE(error.find(u"workgroup"), Text::npos) << ToUtf8(error);
  EXPECT_EQ(Rows(), Variant(int32_t{2})) << "nothing ran after the refused second statement";
}

TEST_F(ConnectionTest, ConnExecuteRunsCommands) {
  KvAdoConnection& conn = OnDb();
  EXPECT_EQ(conn.ConnExecute(u"INSERT INTO t VALUES('c', 3)"), u"");
  EXPECT_TRUE(conn.ConnIsOpen());
  EXPECT_EQ(Rows(), Variant(int32_t{3}));
}

TEST_F(ConnectionTest, ReleaseClosesOnlyWhenTheFlagIsExactlyTrue) {
  for (const int16_t flag : {int16_t{-1}, int16_t{0}, int16_t{1}}) {
    db::ConnectionRef kept;
    {
      KvAdoConnection conn = Make();
      conn.LetFileName(db());
      conn.LetAutoCloseConn(flag);
      Text error;
      kept = conn.ConnOpen(error);
      ASSERT_NE(kept, nullptr);
    }
    EXPECT_EQ(kept->state(), flag == -1 ? db::kStateClosed : db::kStateOpen) << flag;
  }
}

TEST_F(ConnectionTest, ConnectionCanBeSharedWithCallers) {
  KvAdoConnection& owner = OnDb();
  Text error;
  const db::ConnectionRef shared = owner.ConnOpen(error);
  KvAdoConnection borrower = Make();  // no file name: it could not open one of its own
  borrower.SetConnection(shared);
  EXPECT_TRUE(borrower.ConnIsOpen());
  EXPECT_EQ(borrower.ConnQuery(u"SELECT Count(*) FROM t", error)->value(0), Variant(int32_t{2}));
  borrower.SetConnection(nullptr);
  EXPECT_FALSE(borrower.ConnIsOpen());
  EXPECT_EQ(shared->state(), db::kStateOpen);
}

TEST_F(ConnectionTest, CreateNewCopiesTheTemplate) {
  const auto read = [&](const char* name) {
    std::ifstream in(dir_.path() / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  for (const char* name : {"Blank.mdb", "other.mdb", "target.mdb"})
    std::ofstream(dir_.path() / name, std::ios::binary) << name << " contents";

  KvAdoConnection nameless = Make();
  EXPECT_FALSE(nameless.CreateNew(dir_.file("Blank.mdb")));

  KvAdoConnection conn = Make();
  conn.LetFileName(dir_.file("target.mdb"));
  EXPECT_FALSE(conn.CreateNew(dir_.file("other.mdb"), false));
  EXPECT_EQ(read("target.mdb"), "target.mdb contents");
  EXPECT_FALSE(conn.CreateNew(dir_.file("no-such-template.mdb")));
  EXPECT_EQ(conn.Connection(), nullptr);

  // The default template is a bare name, taken from the current directory.
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  const bool made = conn.CreateNew();
  std::filesystem::current_path(cwd);
  EXPECT_TRUE(made);
  EXPECT_EQ(read("target.mdb"), "Blank.mdb contents");

  KvAdoConnection fresh = Make();
  fresh.LetFileName(dir_.file("fresh.mdb"));
  EXPECT_TRUE(fresh.CreateNew(dir_.file("other.mdb"), false));
  EXPECT_EQ(read("fresh.mdb"), "other.mdb contents");
}

}  // namespace
}  // namespace kvpw
