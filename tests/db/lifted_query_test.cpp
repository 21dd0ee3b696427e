#include "db/lifted_query.h"

#include <gtest/gtest.h>

namespace kvpw::db {
namespace {

// What is lifted, what stays, and whether a backtick is left in the lifted text: the engine
// only reuses a statement for a query whose lifted text has none.
TEST(LiftLiterals, LiftsTheTextsAfterWhereAndSaysWhetherBackticksRemain) {
  struct Case {
    Text sql;
    std::optional<Text> lifted;  // none: nothing to lift, or unreadable
    std::vector<Text> values;
  };
  const Case cases[] = {
      {u"SELECT 'a' AS x FROM t WHERE k = 'it''s' AND m = ''",
       u"SELECT 'a' AS x FROM t WHERE k = ? AND m = ?",
       {u"it's", u""}},
      {u"SELECT `a'b` FROM t WHERE k = 'x`y'", u"SELECT `a'b` FROM t WHERE k = ?", {u"x`y"}},
      {u"SELECT [a`b] FROM t WHERE k = 'x'", u"SELECT [a`b] FROM t WHERE k = ?", {u"x"}},
      {u"SELECT \"`\" FROM t WHERE k = 'x'", u"SELECT \"`\" FROM t WHERE k = ?", {u"x"}},
      {u"SELECT '`' FROM t WHERE k = 'x'", u"SELECT '`' FROM t WHERE k = ?", {u"x"}},
      {u"SELECT a FROM t -- `\nWHERE k = 'x'", u"SELECT a FROM t -- `\nWHERE k = ?", {u"x"}},
      {u"SELECT a /* ` */ FROM t WHERE k = 'x' /* 'y' */",
       u"SELECT a /* ` */ FROM t WHERE k = ? /* 'y' */",
       {u"x"}},
      {u"SELECT a FROM t WHERE k = 'x' AND `b` = 1",
       u"SELECT a FROM t WHERE k = ? AND `b` = 1",
       {u"x"}},
      {u"SELECT a FROM t WHERE k = 1", std::nullopt, {}},
      {u"SELECT 'a' FROM t", std::nullopt, {}},
      {u"SELECT a FROM t WHERE k = 'x", std::nullopt, {}},
      {u"SELECT [a FROM t WHERE k = 'x'", std::nullopt, {}},
  };
  for (const Case& c : cases) {
    const std::optional<LiftedQuery> lifted = LiftLiterals(c.sql);
    ASSERT_EQ(lifted.has_value(), c.lifted.has_value()) << ToUtf8(c.sql);
    if (!lifted) continue;
    EXPECT_EQ(lifted->sql, *c.lifted) << ToUtf8(c.sql);
    EXPECT_EQ(lifted->values, c.values) << ToUtf8(c.sql);
    EXPECT_EQ(lifted->has_backticks, lifted->sql.find(u'`') != Text::npos) << ToUtf8(c.sql);
  }
}

}  // namespace
}  // namespace kvpw::db
