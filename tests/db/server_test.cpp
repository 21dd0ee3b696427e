// The catalogue on a real PostgreSQL server through ODBC: logins, missing data sources, the
// server going away in the middle of a fill, and connections left behind. Run by
// catalogue_on_servers.sh, which starts the server and names it in KVPW_TEST_PG_DSN,
// KVPW_TEST_PG_CLUSTER (its folder) and KVPW_TEST_PG_CONTROL (the script that stops and starts it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "db/engines.h"
#include "db/kv_ado_connection.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "testing/support.h"

namespace kvpw {
namespace {

const char* Env(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

// Stops or starts the test's server.
void Server(const char* verb) {
  const std::string command = std::string("bash '") + Env("KVPW_TEST_PG_CONTROL") + "' " + verb +
                              " '" + Env("KVPW_TEST_PG_CLUSTER") + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// A list that stops the server when the fill puts its first row in.
class StoppingList final : public host::MemoryListControl {
 public:
  using MemoryListControl::MemoryListControl;
  void add_item(const Variant& item) override {
    if (!stopped_) {
      stopped_ = true;
      Server("stop");
    }
    MemoryListControl::add_item(item);
  }
  // No selection to keep.
  Variant value() override { return Text(); }
  void set_value(const Variant&) override {}
  Text text() override { return Text(); }
  void set_text(TextView) override {}

 private:
  bool stopped_ = false;
};

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Env("KVPW_TEST_PG_DSN")) GTEST_SKIP() << "no server: run by catalogue_on_servers.sh";
    dsn_ = FromUtf8(Env("KVPW_TEST_PG_DSN"));
  }

  // The library's way in: the example catalogue's file name, served by the server.
  PlatformRef BoundPlatform() {
    auto engine = db::MakeEngine({.data_sources = {{parts_, dsn_}}, .odbc = {}});
    return std::make_shared<Platform>(Platform{engine, boxes_});
  }

  // Client connections to the catalogue's database, seen by the server.
  int32_t ServerConnections() {
    KvAdoConnection conn(std::make_shared<Platform>(Platform{db::MakeEngine(), boxes_}));
    conn.LetConnString(dsn_);
    Text error;
    const db::RecordsetRef rs = conn.ConnQuery(
        u"SELECT Count(*) FROM pg_stat_activity WHERE datname = current_database() AND "
        u"backend_type = 'client backend' AND pid <> pg_backend_pid()",
        error);
    EXPECT_EQ(error, u"");
    return rs ? static_cast<int32_t>(ToDouble(rs->value(0))) : -1;
  }

  Text dsn_;
  Text parts_ = u"/catalogues/parts.mdb";
  std::shared_ptr<host::RecordingMessageBox> boxes_ = std::make_shared<host::RecordingMessageBox>();
};

TEST_F(ServerTest, LoginsAndDataSourcesGetTheOpenFailureTheyDeserve) {
  // The data source of the run carries its login; a wrong one given by the caller wins over it.
  const struct {
    const char* label;
    Text dsn, user, password, reason_part;
  } cases[] = {
      {"the data source's own login", dsn_, u"", u"", u""},
      {"the right login", dsn_, u"kvpw", u"kvpw-test-password", u""},
      {"a wrong password", dsn_, u"kvpw", u"not-the-password",
       u"password authentication failed for user \"kvpw\""},
      {"an unknown user", dsn_, u"nobody-here", u"x",
       u"password authentication failed for user \"nobody-here\""},
      {"a data source that does not exist", u"DSN=kvpw_nowhere", u"", u"",
       u"Data source name not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    KvAdoConnection conn(std::make_shared<Platform>(Platform{db::MakeEngine(), boxes_}));
    conn.LetConnString(c.dsn);
    conn.LetUserID(c.user);
    conn.LetPassword(c.password);
    Text error;
    const db::RecordsetRef rs = conn.ConnQuery(u"SELECT Count(*) FROM tblParts", error);
    if (c.reason_part.empty()) {
      EXPECT_EQ(error, u"");
      ASSERT_NE(rs, nullptr);
      EXPECT_EQ(rs->value(0), Variant(int32_t{343}));
    } else {
      EXPECT_EQ(rs, nullptr);
      EXPECT_TRUE(error.starts_with(u"Unable to open database: ")) << ToUtf8(error);
      EXPECT_NE(error.find(c.reason_part), Text::npos) << ToUtf8(error);
    }
  }

  // An operation on a catalogue it cannot log in to shows its open-failure box.
  auto platform = std::make_shared<Platform>(Platform{
      db::MakeEngine({.data_sources = {{parts_, dsn_ + u";PWD=wrong"}}, .odbc = {}}), boxes_});
  Pw2 pw2(platform);
  auto combo = std::make_shared<host::MemoryComboBox>(u"cboPart");
  pw2.PopulateCombo(parts_, combo, u"SELECT * FROM tblParts", u"MfgPartNumber");
  ASSERT_EQ(boxes_->boxes().size(), 1u);
  EXPECT_TRUE(boxes_->boxes()[0].text.starts_with(u"Unable to query '" + parts_ +
                                                  u"': Unable to open database: "))
      << ToUtf8(boxes_->boxes()[0].text);
  EXPECT_EQ(combo->list_count(), 0);
}

TEST_F(ServerTest, AThousandOperationsLeaveNoConnectionsBehind) {
  const int32_t before = ServerConnections();
  Pw2 pw2(BoundPlatform());
  auto combo = std::make_shared<host::MemoryComboBox>(u"cboPart");
  for (int i = 0; i < 1000; ++i) {
    bool found = false;
    const Variant row = pw2.GetDatabaseTableRow(
        parts_,
        u"SELECT MfgPartNumber, Description FROM qrySoccParts WHERE MfgPartNumber = "
        u"'bre-1c-24a '",
        found);
    ASSERT_TRUE(found) << "operation " << i;
    if (i % 100 == 0) {
      pw2.PopulateCombo(parts_, combo, u"SELECT * FROM tblParts", u"MfgPartNumber");
      ASSERT_EQ(combo->list_count(), 343);
    }
  }
  EXPECT_TRUE(boxes_->boxes().empty());
  // Only the few kept for the next operations remain logged in.
  const int32_t after = ServerConnections();
  EXPECT_LE(after - before, static_cast<int32_t>(db::OdbcOptions{}.idle_per_source));
}

TEST_F(ServerTest, TheServerStoppingInAFillShowsTheBoxAndTheNextCallAfterARestartWorks) {
  Pw2 pw2(BoundPlatform());
  // Connections kept from before the stop must not stand in the way afterwards.
  auto warm = std::make_shared<host::MemoryComboBox>(u"cboWarm");
  pw2.PopulateCombo(parts_, warm, u"SELECT * FROM tblParts", u"MfgPartNumber");
  ASSERT_EQ(warm->list_count(), 343);

  // More rows than the driver fetches at once, so the fill has to go back to the server.
  auto list = std::make_shared<StoppingList>(u"lstParts");
  pw2.PopulateCombo(parts_, list, u"SELECT * FROM tblParts ORDER BY MfgPartNumber",
                    u"MfgPartNumber");
  Server("restart");
  ASSERT_EQ(boxes_->boxes().size(), 1u);
  const host::Box& box = boxes_->boxes()[0];
  EXPECT_GT(list->list_count(), 0);
  EXPECT_LT(list->list_count(), 343);
  EXPECT_FALSE(box.text.empty());
  // The fill's failure box is critical and carries the driver's reason.
  EXPECT_EQ(box.style, style::kCritical) << ToUtf8(box.text);

  auto again = std::make_shared<host::MemoryComboBox>(u"cboAgain");
  pw2.PopulateCombo(parts_, again, u"SELECT * FROM tblParts", u"MfgPartNumber");
  EXPECT_EQ(again->list_count(), 343);
  EXPECT_EQ(boxes_->boxes().size(), 1u) << ToUtf8(boxes_->boxes().back().text);
}

}  // namespace
}  // namespace kvpw
