// Stored query definitions, one row per attribute as the system table keeps them, and the SQL
// they decode to.
#include "db/mdb/stored_query.h"

#include <gtest/gtest.h>

namespace kvpw::db::mdb {
namespace {

QueryRow Row(int attribute, std::string name1 = "", std::string name2 = "",
             std::string expression = "", std::optional<int> flag = std::nullopt) {
  return QueryRow{attribute, std::move(name1), std::move(name2), std::move(expression), flag};
}

TEST(StoredQuery, JoinsNestAsTheirSidesWereJoinedBefore) {
  // a RIGHT JOIN b, then (that) INNER JOIN c through b, and d only listed.
  const QueryRow rows[] = {
      Row(1, "", "", "", 1),
      Row(3, "", "", "", 8),
      Row(5, "Parts", "a"),
      Row(5, "Makers", "b"),
      Row(5, "Part Families", "c"),
      Row(5, "d"),
      Row(6, "Maker Name", "", "b.Name"),
      Row(6, "", "", "a.*"),
      Row(7, "a", "b", "a.MakerID = b.ID", 3),
      Row(7, "b", "c", "b.FamilyID = c.ID", 1),
      Row(7, "b", "c", "b.Kind = c.Kind", 1),
      Row(8, "", "", "a.Price > 10"),
      Row(11, "D", "", "a.Price"),
      Row(11, "", "", "b.Name"),
  };
  const StoredQuery q = DecodeQuery(rows);
  EXPECT_EQ(q.kind, QueryKind::kSelect);
  EXPECT_EQ(q.refusal, "");
  EXPECT_EQ(q.sql,
            "SELECT DISTINCTROW b.Name AS [Maker Name], a.*\n"
            "FROM (Parts AS a RIGHT JOIN Makers AS b ON a.MakerID = b.ID) INNER JOIN [Part "
            "Families] AS c ON (b.FamilyID = c.ID) AND (b.Kind = c.Kind), d\n"
            "WHERE a.Price > 10\n"
            "ORDER BY a.Price DESC, b.Name;");
}

TEST(StoredQuery, FlagsGiveDistinctTopAndTheUnionKind) {
  const QueryRow top[] = {Row(1, "", "", "", 1), Row(3, "25", "", "", 16 | 32 | 1), Row(5, "t")};
  EXPECT_EQ(DecodeQuery(top).sql, "SELECT TOP 25 PERCENT *\nFROM t;");
  const QueryRow grouped[] = {
      Row(1, "", "", "", 1),          Row(3, "", "", "", 2), Row(5, "t"),
      Row(6, "n", "", "Count(*)"),    Row(6, "", "", "k"),   Row(9, "", "", "k"),
      Row(10, "", "", "Count(*) > 1")};
  EXPECT_EQ(DecodeQuery(grouped).sql,
            "SELECT DISTINCT Count(*) AS n, k\nFROM t\nGROUP BY k\nHAVING Count(*) > 1;");
  const QueryRow all[] = {Row(1, "", "", "", 9), Row(3, "", "", "", 1),
                          Row(5, "", "X7YZ_____2", "SELECT b FROM u;"),
                          Row(5, "", "X7YZ_____1", "SELECT a FROM t\n")};
  EXPECT_EQ(DecodeQuery(all).sql, "SELECT a FROM t\nUNION ALL SELECT b FROM u;");
  const QueryRow distinct[] = {Row(1, "", "", "", 9), Row(3, "", "", "", 0),
                               Row(5, "", "X7YZ_____1", "SELECT a FROM t"),
                               Row(5, "", "X7YZ_____2", "SELECT b FROM u"), Row(11, "", "", "a")};
  EXPECT_EQ(DecodeQuery(distinct).sql, "SELECT a FROM t\nUNION SELECT b FROM u\nORDER BY a;");
}

TEST(StoredQuery, WhatIsNotRunSaysWhy) {
  const struct {
    std::vector<QueryRow> rows;
    QueryKind kind;
    std::string reason;
  } cases[] = {
      {{Row(1, "", "", "", 1), Row(2, "Code", "", "", 10), Row(5, "t"), Row(6, "", "", "a"),
        Row(8, "", "", "b = [Code]")},
       QueryKind::kSelect,
       "parameters (Code)"},
      {{Row(1, "", "", "", 1), Row(5, "t", "", "C:\\other.mdb"), Row(6, "", "", "a")},
       QueryKind::kSelect,
       "another database"},
      {{Row(1, "", "", "", 1), Row(5, "t"), Row(5, "u"), Row(7, "t", "v", "t.a = v.a", 1)},
       QueryKind::kSelect,
       "joins"},
      {{Row(1, "Target", "", "", 2), Row(5, "t"), Row(6, "", "", "a")},
       QueryKind::kMakeTable,
       "action query"},
      {{Row(1, "", "", "", 5), Row(5, "t")}, QueryKind::kDelete, "action query"},
      {{Row(1, "ODBC;", "", "SELECT 1", 8)}, QueryKind::kPassThrough, "pass-through"},
      {{Row(1, "", "", "", 42)}, QueryKind::kUnknown, "not one of the kinds"},
  };
  for (const auto& c : cases) {
    const StoredQuery q = DecodeQuery(c.rows);
    EXPECT_EQ(q.kind, c.kind) << c.reason;
    EXPECT_NE(q.refusal.find(c.reason), std::string::npos) << q.refusal;
  }
}

}  // namespace
}  // namespace kvpw::db::mdb
