// Part-number pickers: the query each builder sends, the per-part lookup, the rows, the kept
// selection, and every box.
#include <gtest/gtest.h>

#include "db/kv_ado_connection.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "roster/roster.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using host::Box;
using host::ControlMember;
using host::MemoryComboBox;
using testing::ErrorNumberOf;
using Rows = std::vector<std::vector<Variant>>;

const Text kLookup =
    u"SELECT MfgPartNumber, Description, MfgListPriceFmt FROM qrySoccParts WHERE MfgPartNumber = ";

class PartNumberListsTest : public ::testing::Test {
 protected:
  PartNumberListsTest() { combo_->set_value(u"was selected"); }

  static Text Example(const char* name) {
    return FromUtf8((testing::ExamplesDir() / name).string());
  }
  Text parts() const { return Example("parts.mdb"); }
  Text props() const { return Example("partprops.mdb"); }

  Rows RowsOf() const {
    Rows rows;
    for (int32_t r = 0; r < combo_->list_count(); ++r)
      rows.push_back({combo_->column(0, r), combo_->column(1, r), combo_->column(2, r)});
    return rows;
  }
  // The part numbers of the list, column 0.
  std::vector<Text> PartsOf() const {
    std::vector<Text> out;
    for (const auto& row : RowsOf()) out.push_back(ToText(row[0]));
    return out;
  }
  void ExpectSelectionKept() const {
    EXPECT_EQ(combo_->value(), Variant(u"was selected"));
    EXPECT_EQ(combo_->text(), u"was selected");
  }
  const std::vector<Box>& boxes() const { return test_.boxes->boxes(); }
  // One plain box of the library whose text starts with `start` and goes on.
  void ExpectPlainBox(const Text& start) const {
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_TRUE(boxes()[0].text.starts_with(start)) << ToUtf8(boxes()[0].text);
    EXPECT_GT(boxes()[0].text.size(), start.size());
    EXPECT_EQ(boxes()[0].style, 0);
    EXPECT_EQ(boxes()[0].title, u"KvPwForStencils");
  }
  const std::vector<Text>& sql() const { return *test_.sql; }
  // A record set of one column, read from a query on `file`, as a macro would pass it.
  db::RecordsetRef Query(const Text& file, const Text& query) {
    connection_.LetFileName(file);
    Text error;
    db::RecordsetRef rs = connection_.ConnQuery(query, error);
    EXPECT_EQ(error, u"");
    test_.sql->clear();
    return rs;
  }

  testing::TempDir dir_;
  testing::TestPlatform test_ = testing::MakeTestPlatform();
  Pw2 pw2_{test_.platform};
  KvAdoConnection connection_{test_.platform};
  std::shared_ptr<MemoryComboBox> combo_ = std::make_shared<MemoryComboBox>(u"cboPartNumber");
};

TEST_F(PartNumberListsTest, BuildersSendTheirQueries) {
  const Text missing = dir_.file("missing.mdb");
  const struct {
    const char* label;
    std::function<void()> call;
    Text sent;
  } cases[] = {
      // The item codes lie in the parts database: the part-properties path is not used.
      {"item code", [&] { pw2_.PopulatePartNumberByItemCode(combo_, parts(), missing, u"AB*"); },
       u"SELECT PartNumber AS MfgPartNumber, * FROM Pz_PartsEng_PartItemCodes WHERE "
       u"EngineeringItemCode LIKE 'AB%' ORDER BY PartNumber"},
      {"item code list",
       [&] { pw2_.PopulatePartNumberByItemCode(combo_, parts(), missing, u"V?[AB]*"); },
       u"SELECT PartNumber AS MfgPartNumber, * FROM Pz_PartsEng_PartItemCodes WHERE "
       u"(EngineeringItemCode LIKE 'V_A%' OR EngineeringItemCode LIKE 'V_B%') ORDER BY "
       u"PartNumber"},
      {"base package", [&] { pw2_.PopulatePartNumberByBasePackage(combo_, parts(), props(), -1); },
       u"SELECT strBasePackage AS MfgPartNumber, * FROM tblBasePackages WHERE lngSoftID = -1 "
       u"ORDER BY strBasePackage"},
      {"options", [&] { pw2_.PopulatePartNumberByOptions(combo_, parts(), props(), 4200); },
       u"SELECT strOption AS MfgPartNumber, * FROM tblOptions WHERE lngSoftID = 4200 ORDER BY "
       u"intDisplayOrder, strOption"},
      {"drivers", [&] { pw2_.PopulatePartNumberByDrivers(combo_, parts(), props(), 0, u"[12]x"); },
       u"SELECT strDriver AS MfgPartNumber, * FROM tblDrivers WHERE lngSoftID = 0 AND (strDelCode "
       u"LIKE '1x' OR strDelCode LIKE '2x') ORDER BY strDriver"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    test_.sql->clear();
    c.call();
    // No rows: nothing more is sent, the list is empty and the selection put back.
    EXPECT_EQ(sql(), std::vector<Text>{c.sent});
    EXPECT_EQ(combo_->list_count(), 0);
    ExpectSelectionKept();
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(PartNumberListsTest, OneRowPerCataloguePartInTheQuerysOrder) {
  const struct {
    const char* label;
    std::function<void()> call;
    Rows rows;
  } cases[] = {
      // Null description and Null price show a single blank; a part the catalogue lacks
      // (BRP-SPARE-KIT) adds nothing.
      {"item code",
       [&] { pw2_.PopulatePartNumberByItemCode(combo_, parts(), u"", u"RLY-ACC"); },
       {{u"BRA-DIN", u"DIN rail adapter for enclosed pilot relays", u"$4.20"},
        {u"BRA-HC1", u" ", u"$1.85"},
        {u"BRA-LBL", u"Relay marking label kit, 100 labels", u" "},
        {u"BRA-SK11", u"Relay socket, 11-pin octal, DIN rail or panel", u"$7.40"},
        {u"BRA-SK14", u"Relay socket, 14-blade, for 4PDT ice-cube relays", u"$9.90"},
        {u"BRA-SK8", u"Relay socket, 8-pin octal, DIN rail or panel", u"$6.25"}}},
      // Options by display order, ties by name; spelled as the catalogue spells them.
      {"options",
       [&] { pw2_.PopulatePartNumberByOptions(combo_, parts(), props(), 42); },
       {{u"AWO2-OPT-SSO", u"Web Operator 2 option: single sign-on", u"$950.00"},
        {u"AWO2-OPT-FLOOR", u"Web Operator 2 option: floor plan navigation", u"$700.00"},
        {u"AWO2-OPT-MOBILE", u"Web Operator 2 option: mobile app access", u"$600.00"},
        {u"AWO2-OPT-KIOSK", u"Web Operator 2 option: public kiosk dashboards", u"$450.00"},
        {u"ASM4-OPT-ALARM", u"Site Manager 4 option: alarm e-mail and text notification",
         u"$795.00"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    c.call();
    EXPECT_EQ(RowsOf(), c.rows);
    ExpectSelectionKept();
  }
  // A driver sold by two delivery routes is listed twice; one without a catalogue part not at
  // all.
  pw2_.PopulatePartNumberByDrivers(combo_, parts(), props(), 7, u"[12]");
  EXPECT_EQ(PartsOf(), (std::vector<Text>{u"AVL-DRV-BACIP", u"AVL-DRV-BACIP", u"AVL-DRV-BACMS",
                                          u"AVL-DRV-LON", u"AVL-DRV-MODRTU", u"AVL-DRV-MODRTU",
                                          u"AVL-DRV-MODTCP", u"AVL-DRV-SNMP"}));
  pw2_.PopulatePartNumberByBasePackage(combo_, parts(), props(), 7);
  EXPECT_EQ(PartsOf(),
            (std::vector<Text>{u"ASM4-B100", u"ASM4-B2500", u"ASM4-B500", u"ASM4-BUNL"}));
  // Engineering spells it CS-1100-LO; the list shows the catalogue's cs-1100-Lo.
  pw2_.PopulatePartNumberByItemCode(combo_, parts(), props(), u"CS-S?");
  ASSERT_FALSE(PartsOf().empty()) << "the list stayed empty";
  EXPECT_EQ(PartsOf().front(), u"cs-1100-Lo");
  EXPECT_TRUE(boxes().empty());
}

TEST_F(PartNumberListsTest, EachPartIsLookedUpQuotedOnTheOneConnection) {
  pw2_.PopulatePartNumberByItemCode(combo_, parts(), u"", u"LNC-1628");
  EXPECT_EQ(sql(), (std::vector<Text>{
                       u"SELECT PartNumber AS MfgPartNumber, * FROM Pz_PartsEng_PartItemCodes "
                       u"WHERE EngineeringItemCode LIKE 'LNC-1628' ORDER BY PartNumber",
                       kLookup + u"'AVL-LNC1628'",
                       kLookup + u"'AVL-LNC1628-E'",
                       kLookup + u"'AVL-LNC1628-OLD'",
                       kLookup + u"'AVL-LNC1628-X'",
                   }));
  EXPECT_EQ(PartsOf(), (std::vector<Text>{u"AVL-LNC1628", u"AVL-LNC1628-E", u"AVL-LNC1628-X"}));

  // A part number with a quote, from a record set the caller made.
  db::RecordsetRef rs = Query(parts(),
                              u"SELECT MfgPartNumber FROM qrySoccParts WHERE MfgPartNumber LIKE "
                              u"'O''B-24%' ORDER BY MfgPartNumber");
  pw2_.PopulatePartNumberByRecordset(combo_, parts(), rs);
  ASSERT_FALSE(sql().empty());
  EXPECT_EQ(sql().front(), kLookup + u"'O''B-2401C'");
  ASSERT_FALSE(PartsOf().empty()) << "the list stayed empty";
  EXPECT_EQ(PartsOf().front(), u"O'B-2401C");
  EXPECT_TRUE(rs->eof()) << "the record set is read to its end";

  // Already at its end: an empty list, the selection back.
  pw2_.PopulatePartNumberByRecordset(combo_, parts(), rs);
  EXPECT_EQ(combo_->list_count(), 0);
  ExpectSelectionKept();
  EXPECT_TRUE(boxes().empty());
}

TEST_F(PartNumberListsTest, TheSelectionIsSavedAsTextAndWrittenBack) {
  // A selection naming a listed part selects its row again.
  combo_->set_value(u"BRA-SK8");
  pw2_.PopulatePartNumberByItemCode(combo_, parts(), u"", u"RLY-ACC");
  EXPECT_EQ(combo_->value(), Variant(u"BRA-SK8"));
  EXPECT_EQ(combo_->list_index(), 5);
  // A list showing Null is filled all the same; its saved value stays empty.
  combo_->set_value(kNull);
  pw2_.PopulatePartNumberByItemCode(combo_, parts(), u"", u"RLY-ACC");
  EXPECT_EQ(combo_->list_count(), 6);
  EXPECT_EQ(combo_->value(), Variant(u""));
  // Failures of the saving, emptying and restoring statements are each ignored.
  combo_->set_value(u"was selected");
  combo_->fail_on(ControlMember::kValueSet, Error(380, u"Invalid property value."));
  combo_->fail_on(ControlMember::kClear, Error(380, u"Invalid property value."));
  pw2_.PopulatePartNumberByItemCode(combo_, parts(), u"", u"RLY-ALT");
  EXPECT_EQ(combo_->list_count(), 6 + 5) << "Clear failed, so the old rows stay";
  EXPECT_EQ(combo_->text(), u"was selected") << "the text is still written back";
  EXPECT_TRUE(boxes().empty());
}

TEST_F(PartNumberListsTest, FailedMainQueryShowsUnableToOpenAndLeavesTheList) {
  pw2_.PopulatePartNumberByItemCode(combo_, parts(), u"", u"RLY-ALT");
  ASSERT_EQ(combo_->list_count(), 5);
  const Text missing = dir_.file("missing.mdb");
  const struct {
    const char* label;
    std::function<void()> call;
    Text start;
  } cases[] = {
      {"unopenable", [&] { pw2_.PopulatePartNumberByOptions(combo_, parts(), missing, 42); },
       u"Unable to open '" + missing + u"': Unable to open database: "},
      // An empty bracket pair gives "()", which the engine refuses.
      {"bad pattern", [&] { pw2_.PopulatePartNumberByItemCode(combo_, parts(), u"", u"[]"); },
       u"Unable to open '" + parts() + u"': Error executing query: "},
      {"no such table",
       [&] {
         pw2_.PopulatePartNumberByPartPropQuery(combo_, parts(), parts(), u"SELECT * FROM x");
       },
       u"Unable to open '" + parts() + u"': Error executing query: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    test_.boxes->clear();
    c.call();
    ExpectPlainBox(c.start);
    EXPECT_EQ(combo_->list_count(), 5) << "the control is not touched";
    ExpectSelectionKept();
  }
}

TEST_F(PartNumberListsTest, FailedPartLookupStopsTheListAndKeepsTheSelection) {
  // A parts database that cannot be opened: one box, nothing listed.
  const Text missing = dir_.file("missing.mdb");
  pw2_.PopulatePartNumberByOptions(combo_, missing, props(), 42);
  ExpectPlainBox(u"Unable to query part list: Unable to open database: ");
  EXPECT_EQ(combo_->list_count(), 0);
  ExpectSelectionKept();

  // A lookup that fails on the second part: the first row stays, the third is never asked for.
  testing::BuildDatabase(dir_.path() / "bad.mdb",
                         "CREATE TABLE P(MfgPartNumber TEXT COLLATE NOCASE, Descr TEXT, Price "
                         "TEXT);"
                         "INSERT INTO P VALUES ('A-1', 'first', '$1.00'), ('B-2', 'second', NULL),"
                         " ('C-3', 'third', '$3.00');"
                         "CREATE VIEW qrySoccParts AS SELECT MfgPartNumber, CASE WHEN "
                         "MfgPartNumber = 'B-2' THEN json('not json') ELSE Descr END AS "
                         "Description, Price AS MfgListPriceFmt FROM P;");
  const Text bad = dir_.file("bad.mdb");
  test_.boxes->clear();
  db::RecordsetRef rs = Query(bad, u"SELECT MfgPartNumber FROM P ORDER BY MfgPartNumber");
  pw2_.PopulatePartNumberByRecordset(combo_, bad, rs);
  ExpectPlainBox(u"Unable to query part list: Error executing query: ");
  EXPECT_EQ(RowsOf(), (Rows{{u"A-1", u"first", u"$1.00"}}));
  EXPECT_EQ(sql(), (std::vector<Text>{kLookup + u"'A-1'", kLookup + u"'B-2'"}));
  ExpectSelectionKept();
}

TEST_F(PartNumberListsTest, OtherFailuresShowTheCriticalBoxOrNoMatches) {
  testing::BuildDatabase(dir_.path() / "list.mdb",
                         "CREATE TABLE L(Seq INTEGER, Pn TEXT);"
                         "INSERT INTO L VALUES (1, 'BRA-DIN'), (2, NULL), (3, 'BRA-SK8');");
  const Text list = dir_.file("list.mdb");
  const auto fill = [&](const Text& query) {
    test_.boxes->clear();
    combo_->set_value(u"was selected");
    pw2_.PopulatePartNumberByRecordset(combo_, parts(), Query(list, query));
  };
  // A Null part number: the rows before it stay, the selection is not put back.
  fill(u"SELECT Pn AS MfgPartNumber FROM L ORDER BY Seq");
  EXPECT_EQ(boxes(), (std::vector<Box>{{Error(err::kInvalidUseOfNull).description(), 16, u"94"}}));
  EXPECT_EQ(PartsOf(), std::vector<Text>{u"BRA-DIN"});
  EXPECT_EQ(combo_->value(), Variant(u""));

  // No column of that name.
  fill(u"SELECT Pn FROM L ORDER BY Seq");
  EXPECT_EQ(boxes(), (std::vector<Box>{{Error(err::kItemNotFound).description(), 16, u"3265"}}));
  EXPECT_EQ(combo_->list_count(), 0);

  // A value the control rejects, on the second row.
  combo_->fail_on(ControlMember::kColumnSet, Error(380, u"Invalid property value."), 2);
  fill(u"SELECT Pn AS MfgPartNumber FROM L WHERE Pn IS NOT NULL ORDER BY Seq");
  EXPECT_EQ(boxes(), (std::vector<Box>{{u"Invalid property value.", 16, u"380"}}));
  EXPECT_EQ(RowsOf(), (Rows{{u"BRA-DIN", u"DIN rail adapter for enclosed pilot relays", u"$4.20"},
                            {u"BRA-SK8", kNull, kNull}}));
  combo_->clear_failures();

  // The engine's no-current-record error: No Matches, and the list emptied.
  combo_->fail_on(ControlMember::kAddItem, Error(err::kNoCurrentRecord), 1);
  fill(u"SELECT Pn AS MfgPartNumber FROM L WHERE Pn IS NOT NULL ORDER BY Seq");
  EXPECT_EQ(boxes(), (std::vector<Box>{{u"There were no matches found.", 64, u"No Matches"}}));
  EXPECT_EQ(combo_->list_count(), 0);
  combo_->clear_failures();

  // No list at all: the failure to add a row is reported like any other.
  test_.boxes->clear();
  pw2_.PopulatePartNumberByRecordset(nullptr, parts(),
                                     Query(list, u"SELECT Pn AS MfgPartNumber FROM L"));
  EXPECT_EQ(boxes(), (std::vector<Box>{{Error(err::kObjectNotSet).description(), 16, u"91"}}));
}

TEST_F(PartNumberListsTest, BuildersLetTheirOwnFailuresThrough) {
  // A bracket past the 16-bit position limit.
  const Text pattern = Text(40000, u'A') + u"[12]";
  EXPECT_EQ(
      ErrorNumberOf([&] { pw2_.PopulatePartNumberByItemCode(combo_, parts(), u"", pattern); }),
      err::kOverflow);
  EXPECT_EQ(ErrorNumberOf(
                [&] { pw2_.PopulatePartNumberByDrivers(combo_, parts(), props(), 7, pattern); }),
            err::kOverflow);
  EXPECT_TRUE(sql().empty());
  EXPECT_TRUE(boxes().empty());
  ExpectSelectionKept();
}

TEST_F(PartNumberListsTest, CalledThroughTheComponentRuntime) {
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", test_.platform);
  // PopulatePartNumberBy<name>, numbered in this order from 0x60030002.
  DispId id = 0x60030002;
  for (const TextView name :
       {u"Recordset", u"PartPropQuery", u"ItemCode", u"BasePackage", u"Options", u"Drivers"})
    EXPECT_EQ(pw2->IdOfName(UpperCase(u"PopulatePartNumberBy" + Text(name))), id++) << ToUtf8(name);

  Variant combo = ObjectRef(combo_), db_parts = parts(), db_props = props(), soft_id = int16_t{42},
          pattern = u"[12]";
  Call(pw2, u"PopulatePartNumberByOptions", {&combo, &db_parts, &db_props, &soft_id});
  EXPECT_EQ(combo_->list_count(), 5);
  EXPECT_EQ(soft_id, Variant(int16_t{42})) << "arguments are not changed";
  soft_id = u"7";
  Call(pw2, u"PopulatePartNumberByDrivers", {&combo, &db_parts, &db_props, &soft_id, &pattern});
  EXPECT_EQ(combo_->list_count(), 8);

  // A record set made by the macro through a connection object.
  const ObjectRef conn = CreateObject(u"KvPwForStencils.KvAdoConnection", test_.platform);
  Variant file = parts();
  Let(conn, u"FileName", file);
  Variant query =
              u"SELECT MfgPartNumber FROM qrySoccParts WHERE MfgPartNumber LIKE 'BRA-SK%' "
              u"ORDER BY MfgPartNumber",
          error = u"";
  Variant rs = Call(conn, u"ConnQuery", {&query, &error});
  Call(pw2, u"PopulatePartNumberByRecordset", {&combo, &db_parts, &rs});
  EXPECT_EQ(PartsOf(), (std::vector<Text>{u"BRA-SK11", u"BRA-SK14", u"BRA-SK8"}));
  Variant not_a_record_set = u"rs";
  EXPECT_EQ(ErrorNumberOf([&] {
              Call(pw2, u"PopulatePartNumberByRecordset", {&combo, &db_parts, &not_a_record_set});
            }),
            err::kTypeMismatch);
  EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace kvpw
