// The desktop engine's dialect: how its constructs are rewritten, and what they give when the
// rewritten queries run on a catalogue.
#include "db/jet_sql.h"

#include <gtest/gtest.h>

#include "db/engine.h"
#include "db/jet_functions.h"
#include "db/sqlite_engine.h"
#include "frame/error.h"
#include "testing/support.h"

namespace kvpw::db {
namespace {

struct Rewrite {
  const char16_t* jet;
  const char16_t* sqlite;
};

TEST(JetSql, EachConstructIsRewrittenForSqlite) {
  const Rewrite cases[] = {
      {u"SELECT \"it's\" FROM t", u"SELECT 'it''s' FROM t"},
      {u"SELECT \"say \"\"hi\"\"\"", u"SELECT 'say \"hi\"'"},
      {u"SELECT 'a''b', [Part No] FROM [My Parts]", u"SELECT 'a''b', [Part No] FROM [My Parts]"},
      {u"WHERE d = #1/2/2003#", u"WHERE d = '2003-01-02 00:00:00'"},
      {u"WHERE d < #2003-01-02 13:05:09#", u"WHERE d < '2003-01-02 13:05:09'"},
      {u"WHERE d = #12/31/99 10:30 PM#", u"WHERE d = '1999-12-31 22:30:00'"},
      {u"WHERE t = #12:00 AM#", u"WHERE t = '1899-12-30 00:00:00'"},
      {u"WHERE a = True OR b = no OR c = YES OR d = False",
       u"WHERE a = 1 OR b = 0 OR c = 1 OR d = 0"},
      {u"SELECT t.Yes, t.No FROM t", u"SELECT t.Yes, t.No FROM t"},
      {u"SELECT a & b FROM t", u"SELECT jet_concat(a, b) FROM t"},
      {u"SELECT a + 1 & b & 'x' = c", u"SELECT jet_concat(a + 1, b, 'x') = c"},
      {u"WHERE pn LIKE [prefix] & \"*\"", u"WHERE pn LIKE jet_concat([prefix], '*')"},
      {u"SELECT (a & (b & c)), d", u"SELECT (jet_concat(a, (jet_concat(b, c)))), d"},
      {u"SELECT x Mod 2 FROM t", u"SELECT x % 2 FROM t"},
      {u"SELECT Parts!Code FROM Parts", u"SELECT Parts.Code FROM Parts"},
      {u"SELECT DISTINCTROW a FROM t", u"SELECT DISTINCT a FROM t"},
      {u"SELECT TOP 5 a FROM t ORDER BY a;", u"SELECT  a FROM t ORDER BY a LIMIT 5;"},
      {u"SELECT Left(a, 2), RIGHT (a, 1), Nz(b), iif(c, 1, 2) FROM t",
       u"SELECT jet_left(a, 2), jet_right (a, 1), jet_nz(b), iif(c, 1, 2) FROM t"},
      {u"SELECT a FROM t LEFT JOIN u ON t.k = u.k", u"SELECT a FROM t LEFT JOIN u ON t.k = u.k"},
      {u"SELECT a FROM t WITH OWNERACCESS OPTION;", u"SELECT a FROM t ;"},
      {u"SELECT 1.5e3, .5", u"SELECT 1.5e3, .5"},
  };
  for (const Rewrite& c : cases)
    EXPECT_EQ(TranslateJetSql(c.jet).sql, Text(c.sqlite)) << ToUtf8(c.jet);
}

TEST(JetSql, OnlyQueriesThatCallTheDialectsFunctionsNeedThem) {
  EXPECT_FALSE(
      TranslateJetSql(u"SELECT a FROM t WHERE b LIKE 'x*' AND c = True").calls_jet_functions);
  EXPECT_FALSE(TranslateJetSql(u"SELECT IIf(a, 1, 2), Count(*) FROM t").calls_jet_functions);
  EXPECT_TRUE(TranslateJetSql(u"SELECT a & b FROM t").calls_jet_functions);
  EXPECT_TRUE(TranslateJetSql(u"SELECT Format(a, 'Fixed') FROM t").calls_jet_functions);
}

TEST(JetSql, WhatSqliteCannotRunIsRefusedByName) {
  const struct {
    const char16_t* jet;
    const char16_t* named;
  } cases[] = {
      {u"SELECT a \\ 2 FROM t", u"integer division"},
      {u"SELECT 2 ^ 3", u"power"},
      {u"SELECT TOP 10 PERCENT a FROM t", u"PERCENT"},
      {u"SELECT a FROM (SELECT TOP 2 a FROM t)", u"TOP in a subquery"},
      {u"SELECT TOP 2 a FROM t UNION SELECT b FROM u", u"TOP in a subquery or a union"},
      {u"PARAMETERS [Code] Text; SELECT a FROM t WHERE b = [Code]", u"parameters"},
      {u"TRANSFORM Count(a) SELECT b FROM t GROUP BY b PIVOT c", u"crosstab"},
      {u"SELECT a Xor b FROM t", u"Xor"},
      {u"SELECT 'open", u"string"},
      {u"SELECT [open", u"bracketing"},
      {u"WHERE d = #13/45/2003#", u"date"},
      {u"WHERE d = #1/2/2003", u"date"},
      {u"SELECT & b FROM t", u"operand"},
  };
  for (const auto& c : cases) {
    try {
      TranslateJetSql(c.jet);
      ADD_FAILURE() << "accepted: " << ToUtf8(c.jet);
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), kErrSqlSyntax) << ToUtf8(c.jet);
      EXPECT_NE(e.description().find(c.named), Text::npos) << ToUtf8(e.description());
    }
  }
}

// The dialect's functions and operators as a query on a catalogue gives them.
class JetDialectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::BuildDatabase(
        dir_.path() / "c.mdb",
        "CREATE TABLE p (pn TEXT COLLATE NOCASE, descr TEXT COLLATE NOCASE, "
        "price CURRENCY, qty SMALLINT, ok BOOLEAN, made DATETIME);"
        "INSERT INTO p VALUES ('A1', 'Relay', 1234.5, 3, 1, '2003-01-02 13:05:09');"
        "INSERT INTO p VALUES ('b2', NULL, -2.5, 0, 0, NULL);"
        "INSERT INTO p VALUES ('A22 ', 'Valve', 0.125, 12, 1, '1999-12-31 00:00:00');");
    connection_ = MakeSqliteEngine()->new_connection();
    connection_->open(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir_.file("c.mdb"), u"",
                      u"");
  }

  Variant Value(const Text& expression, const Text& where = u"pn = 'A1'") {
    const RecordsetRef rs =
        connection_->execute(u"SELECT " + expression + u" FROM p WHERE " + where);
    return rs->eof() ? Variant() : rs->value(0);
  }

  int Count(const Text& where) {
    return ToLong(connection_->execute(u"SELECT Count(*) FROM p WHERE " + where)->value(0));
  }

  testing::TempDir dir_;
  ConnectionRef connection_;
};

TEST_F(JetDialectTest, FunctionsGiveTheEnginesValues) {
  const struct {
    const char16_t* expression;
    Variant value;
  } cases[] = {
      {u"pn & '-' & qty", u"A1-3"},
      {u"descr & Null", u"Relay"},
      {u"Null & Null", kNull},
      {u"Nz(Null, 'none')", u"none"},
      {u"Nz(Null)", u""},
      {u"Nz(descr, 'none')", u"Relay"},
      {u"IIf(qty > 2, 'many', 'few')", u"many"},
      {u"Left(descr, 3)", u"Rel"},
      {u"Right(descr, 10)", u"Relay"},
      {u"Mid(descr, 2, 3)", u"ela"},
      {u"Mid(descr, 4)", u"ay"},
      {u"Len(descr)", int32_t{5}},
      {u"Len(Null)", kNull},
      {u"InStr(descr, 'LA')", int32_t{3}},
      {u"InStr(3, 'abcabc', 'b')", int32_t{5}},
      {u"InStr(1, 'abc', 'B', 0)", int32_t{0}},
      {u"Trim('  x  ') & LTrim(' y') & RTrim('z ')", u"xyz"},
      {u"UCase(descr) & LCase('AB')", u"RELAYab"},
      {u"Val('12.5 volts')", 12.5},
      {u"CStr(qty)", u"3"},
      {u"CLng(2.5) + CLng(3.5)", int32_t{6}},
      {u"CInt('7')", int32_t{7}},
      {u"CDbl('1.25')", 1.25},
      {u"Str(qty) & Str(-1)", u" 3-1"},
      {u"Int(-2.5)", -3.0},
      {u"Fix(-2.5)", -2.0},
      {u"Abs(-4)", int32_t{4}},
      {u"Round(2.5) + Round(3.5)", 6.0},
      {u"Round(1.2345, 2)", 1.23},
      {u"Format(price, 'Currency')", u"$1,234.50"},
      {u"Format(-price, 'Currency')", u"($1,234.50)"},
      {u"Format(price, 'Fixed')", u"1234.50"},
      {u"Format(price, 'Standard')", u"1,234.50"},
      {u"Format(0.256, 'Percent')", u"25.60%"},
      {u"Format(price, 'Scientific')", u"1.23E+03"},
      {u"Format(ok, 'Yes/No') & Format(0, 'On/Off')", u"YesOff"},
      {u"Format(price, 'General Number')", u"1234.5"},
      {u"Format(qty, '000')", u"003"},
      {u"Format(price, '#,##0.0 \"EUR\"')", u"1,234.5 EUR"},
      {u"Format(-price, '0.00;(0.00)')", u"(1234.50)"},
      {u"Format(made, 'yyyy-mm-dd hh:nn:ss')", u"2003-01-02 13:05:09"},
      {u"Format(made, 'Short Date')", u"1/2/2003"},
      {u"Format(made, 'Long Date')", u"Thursday, January 2, 2003"},
      {u"Format(made, 'Medium Date')", u"2-Jan-03"},
      {u"Format(made, 'Long Time')", u"1:05:09 PM"},
      {u"Format(made, 'Short Time')", u"13:05"},
      {u"Format(made, 'General Date')", u"1/2/2003 1:05:09 PM"},
      {u"Format(#1/2/2003#, 'dddd d mmmm yy')", u"Thursday 2 January 03"},
      {u"Format(descr, '>')", u"RELAY"},
      {u"Format(Null, 'Fixed')", kNull},
      {u"Len(Date()) + Len(Now())", int32_t{38}},
      {u"ok = True", int32_t{1}},
  };
  for (const auto& c : cases) {
    try {
      EXPECT_EQ(Value(c.expression), c.value) << ToUtf8(c.expression);
    } catch (const Error& e) {
      ADD_FAILURE() << ToUtf8(c.expression) << ": " << ToUtf8(e.description());
    }
  }
}

TEST_F(JetDialectTest, ConditionsSelectTheRowsTheEngineWould) {
  const struct {
    const char16_t* where;
    int rows;
  } cases[] = {
      {u"pn LIKE 'a*'", 2},    {u"pn LIKE 'a%'", 2},           {u"pn LIKE 'A?'", 1},
      {u"pn LIKE 'A_'", 1},    {u"pn LIKE '?#'", 2},           {u"pn LIKE '[ab]#*'", 3},
      {u"pn LIKE '[!a]*'", 1}, {u"pn LIKE '[a-b]2*'", 2},      {u"pn LIKE 'A22'", 0},
      {u"pn = 'a22'", 1},      {u"pn In ('A1', \"B2\")", 2},   {u"qty Between 1 And 12", 2},
      {u"descr Is Null", 1},   {u"descr Is Not Null", 2},      {u"ok = True", 2},
      {u"ok = No", 1},         {u"made > #12/31/1999#", 1},    {u"made >= #1999-12-31#", 2},
      {u"Not ok", 1},          {u"descr & pn = 'RelayA1'", 1}, {u"qty Mod 2 = 0", 2},
  };
  for (const auto& c : cases) EXPECT_EQ(Count(c.where), c.rows) << ToUtf8(c.where);
}

TEST_F(JetDialectTest, TopLimitsTheRowsAndBadArgumentsFailTheQuery) {
  const RecordsetRef rs = connection_->execute(u"SELECT TOP 2 pn FROM p ORDER BY qty DESC");
  EXPECT_EQ(rs->value(0), Variant(u"A22 "));
  rs->move_next();
  EXPECT_EQ(rs->value(0), Variant(u"A1"));
  rs->move_next();
  EXPECT_TRUE(rs->eof());

  for (const char16_t* bad :
       {u"Left(descr, -1)", u"Mid(descr, 0)", u"CLng(descr)", u"pn LIKE '[a'"})
    EXPECT_NE(testing::ErrorNumberOf([&] { Value(bad); }), 0) << ToUtf8(bad);
  EXPECT_EQ(testing::ErrorNumberOf([&] { Value(u"First(pn)"); }), kErrSqlSyntax);
}

}  // namespace
}  // namespace kvpw::db
