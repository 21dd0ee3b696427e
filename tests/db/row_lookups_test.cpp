#include <gtest/gtest.h>

#include "frame/error.h"
#include "frame/pw2.h"
#include "roster/roster.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using testing::ErrorNumberOf;
using Row = std::vector<Variant>;

class RowLookupsTest : public ::testing::Test {
 protected:
  RowLookupsTest() {
    testing::BuildDatabase(
        dir_.path() / "props.mdb",
        "CREATE TABLE tblOptions(OptionID INTEGER, Name TEXT COLLATE NOCASE,"
        " Price DOUBLE, Note TEXT);"
        "INSERT INTO tblOptions VALUES(1, 'Fan', 12.5, NULL), (2, 'Pump', 3, '');");
  }
  Text db() const { return dir_.file("props.mdb"); }
  static Row Items(const Variant& v) { return v.array().dimensioned() ? *v.array().items : Row{}; }

  testing::TempDir dir_;
  testing::TestPlatform test_ = testing::MakeTestPlatform();
  Pw2 pw2_{test_.platform};
};

TEST_F(RowLookupsTest, FirstRowWithOneElementMoreThanColumns) {
  for (const bool own_connection : {false, true}) {
    SCOPED_TRACE(own_connection ? "GetPartPropertyTableValues" : "GetDatabaseTableRow");
    const auto lookup = [&](const Text& sql, bool& found) {
      test_.sql->clear();
      Variant row = own_connection ? pw2_.GetPartPropertyTableValues(db(), sql, found)
                                   : pw2_.GetDatabaseTableRow(db(), sql, found);
      EXPECT_EQ(*test_.sql, std::vector<Text>{sql}) << "sent exactly as given";
      return row;
    };
    bool found = false;
    Variant row = lookup(u"SELECT Name, Price, Note FROM tblOptions ORDER BY OptionID", found);
    EXPECT_TRUE(found);
    EXPECT_EQ(Items(row), (Row{u"Fan", 12.5, kNull, Variant()}));

    row = lookup(u"SELECT Note, OptionID FROM tblOptions WHERE name = 'PUMP  '", found);
    EXPECT_TRUE(found);
    EXPECT_EQ(Items(row), (Row{u"", int32_t{2}, Variant()}));

    row = lookup(u"SELECT * FROM tblOptions WHERE OptionID = 99", found);
    EXPECT_FALSE(found);
    EXPECT_TRUE(row.is_array());
    EXPECT_FALSE(row.array().dimensioned());
  }
  EXPECT_TRUE(test_.boxes->boxes().empty());
}

TEST_F(RowLookupsTest, FailuresOfGetDatabaseTableRowShowThePlainBox) {
  const Text missing = dir_.file("missing.mdb");
  const struct {
    Text file, sql, reason;
  } cases[] = {
      {missing, u"SELECT 1", u"Unable to open database: "},
      {db(), u"SELECT x FROM nowhere", u"Error executing query: "},
  };
  for (const auto& c : cases) {
    test_.boxes->clear();
    bool found = true;
    const Variant row = pw2_.GetDatabaseTableRow(c.file, c.sql, found);
    EXPECT_FALSE(found);
    EXPECT_FALSE(row.array().dimensioned());
    ASSERT_EQ(test_.boxes->boxes().size(), 1u);
    const host::Box& box = test_.boxes->boxes()[0];
    const Text expected_start = u"Unable to query '" + c.file + u"': " + c.reason;
    EXPECT_EQ(box.text.substr(0, expected_start.size()), expected_start) << ToUtf8(box.text);
    EXPECT_GT(box.text.size(), expected_start.size());
    EXPECT_EQ(box.style, 0);
    EXPECT_EQ(box.title, u"KvPwForStencils");
  }
}

TEST_F(RowLookupsTest, PartPropertyLookupFailsSilentlyOnOpenAndLoudlyOnQuery) {
  bool found = true;
  const Variant row = pw2_.GetPartPropertyTableValues(dir_.file("missing.mdb"), u"SELECT 1", found);
  EXPECT_FALSE(found);
  EXPECT_FALSE(row.array().dimensioned());
  EXPECT_NE(ErrorNumberOf([&] { pw2_.GetPartPropertyTableValues(db(), u"SELECT nope", found); }),
            0);
  EXPECT_TRUE(test_.boxes->boxes().empty());
}

// Late-bound macros see the found flag in their own variable, written even when the query then
// fails, and the result as an array with an extra empty element.
TEST_F(RowLookupsTest, CalledThroughTheComponentRuntime) {
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", test_.platform);
  for (const TextView name : {u"GetDatabaseTableRow", u"GetPartPropertyTableValues"}) {
    SCOPED_TRACE(ToUtf8(name));
    Variant file = db(), sql = u"SELECT OptionID FROM tblOptions ORDER BY OptionID", found;
    EXPECT_EQ(Items(Call(pw2, name, {&file, &sql, &found})), (Row{int32_t{1}, Variant()}));
    EXPECT_EQ(found, Variant(true));
    sql = u"SELECT OptionID FROM tblOptions WHERE OptionID = 99";
    EXPECT_FALSE(Call(pw2, name, {&file, &sql, &found}).array().dimensioned());
    EXPECT_EQ(found, Variant(false));
    EXPECT_EQ(sql, Variant(u"SELECT OptionID FROM tblOptions WHERE OptionID = 99"));
  }
  Variant file = db(), sql = u"SELECT nope FROM tblOptions", found = true;
  EXPECT_NE(ErrorNumberOf([&] {
              Call(pw2, u"GetPartPropertyTableValues", {&file, &sql, &found});
            }),
            0);
  EXPECT_EQ(found, Variant(false));
  EXPECT_TRUE(test_.boxes->boxes().empty());
}

TEST(FixSqlWildcardPattern, TranslatesPatterns) {
  Pw2 pw2(testing::MakeTestPlatform().platform);
  const struct {
    Text field, pattern, condition;
  } cases[] = {
      {u"Code", u"AB*", u"Code LIKE 'AB%'"},
      {u"EngineeringItemCode", u"V?[AB]*",
       u"(EngineeringItemCode LIKE 'V_A%' OR EngineeringItemCode LIKE 'V_B%')"},
      {u"F", u"x[a-c]y", u"(F LIKE 'xay' OR F LIKE 'x-y' OR F LIKE 'xcy')"},
      {u"F", u"[!a]", u"(F LIKE '!' OR F LIKE 'a')"},
      {u"F", u"a[b", u"F LIKE 'a[b'"},
      {u"F", u"a]b", u"F LIKE 'a]b'"},
      {u"F", u"[]", u"()"},
      {u"F", u"x][y", u"()"},
      {u"F", u"", u"F LIKE ''"},
      {u"F", u"[ab]-[cd]", u"(F LIKE 'a-[cd]' OR F LIKE 'b-[cd]')"},
      {u"F", u"O'B*", u"F LIKE 'O'B%'"},
      {u"F", u"**??", u"F LIKE '%%__'"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(pw2.FixSqlWildcardPattern(c.field, c.pattern), c.condition) << ToUtf8(c.pattern);
}

TEST(FixSqlWildcardPattern, PositionsAreSixteenBit) {
  Pw2 pw2(testing::MakeTestPlatform().platform);
  // "]" at position 32767 is the last that fits.
  const Text fits = u"[" + Text(32765, u'a') + u"]";
  Text condition;
  EXPECT_EQ(ErrorNumberOf([&] { condition = pw2.FixSqlWildcardPattern(u"F", fits); }), 0);
  EXPECT_EQ(condition.size(), 2 + 32765 * Text(u"F LIKE 'a'").size() + 32764 * 4);
  EXPECT_EQ(
      ErrorNumberOf([&] { pw2.FixSqlWildcardPattern(u"F", u"[" + Text(32766, u'a') + u"]"); }),
      err::kOverflow);
  EXPECT_EQ(ErrorNumberOf([&] { pw2.FixSqlWildcardPattern(u"F", Text(32766, u'a') + u"[]"); }),
            err::kOverflow);
  // A lone bracket past the limit overflows too; no bracket at all is never counted.
  EXPECT_EQ(ErrorNumberOf([&] { pw2.FixSqlWildcardPattern(u"F", Text(40000, u'a') + u"["); }),
            err::kOverflow);
  EXPECT_EQ(ErrorNumberOf([&] { pw2.FixSqlWildcardPattern(u"F", Text(40000, u'a')); }), 0);
}

}  // namespace
}  // namespace kvpw
