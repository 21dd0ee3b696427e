#include <gtest/gtest.h>

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
using Rows = std::vector<std::vector<Variant>>;

class PopulateComboTest : public ::testing::Test {
 protected:
  PopulateComboTest() {
    testing::BuildDatabase(dir_.path() / "parts.mdb",
                           "CREATE TABLE T(PartType TEXT COLLATE NOCASE, Name TEXT COLLATE NOCASE,"
                           " Descr TEXT, Price DOUBLE);"
                           "INSERT INTO T VALUES('Relay', 'R-2', 'Relay two', 12.5),"
                           " ('Relay', 'R-1', NULL, NULL), ('Sensor', 'S-1', 'Sensor', 3),"
                           " ('RelayBase', 'RB-1', 'Base', NULL);");
    combo_->set_value(u"R-1");
  }
  Text db() const { return dir_.file("parts.mdb"); }

  // The combo's rows, the first `columns` columns of each.
  Rows RowsOf(int columns) const {
    Rows rows;
    for (int32_t r = 0; r < combo_->list_count(); ++r) {
      rows.emplace_back();
      for (int32_t c = 0; c < columns; ++c) rows.back().push_back(combo_->column(c, r));
    }
    return rows;
  }
  const std::vector<Box>& boxes() const { return test_.boxes->boxes(); }

  testing::TempDir dir_;
  testing::TestPlatform test_ = testing::MakeTestPlatform();
  Pw2 pw2_{test_.platform};
  std::shared_ptr<MemoryComboBox> combo_ = std::make_shared<MemoryComboBox>(u"cboPart");
};

TEST_F(PopulateComboTest, SendsTheQueryWithFilterAndTail) {
  const struct {
    std::optional<Text> filter_field, filter_value, tail;
    Text sent;
  } cases[] = {
      {u"PartType", u"Relay%", u"ORDER BY PartType",
       u"SELECT * FROM T WHERE PartType LIKE 'Relay%' ORDER BY PartType"},
      {std::nullopt, std::nullopt, std::nullopt, u"SELECT * FROM T"},
      {u"", u"Relay%", u"", u"SELECT * FROM T"},
      {u"PartType", u"", std::nullopt, u"SELECT * FROM T WHERE PartType LIKE ''"},
      {u"PartType", std::nullopt, u"ORDER BY Name",
       u"SELECT * FROM T WHERE PartType LIKE '' ORDER BY Name"},
      {std::nullopt, std::nullopt, u"ORDER BY Name DESC", u"SELECT * FROM T ORDER BY Name DESC"},
      // The filter value goes in unquoted: a quote in it breaks the query.
      {u"Name", u"O'B%", std::nullopt, u"SELECT * FROM T WHERE Name LIKE 'O'B%'"},
  };
  for (const auto& c : cases) {
    test_.sql->clear();
    pw2_.PopulateCombo(db(), combo_, u"SELECT * FROM T", u"Name", c.filter_field, c.filter_value,
                       c.tail);
    EXPECT_EQ(*test_.sql, std::vector<Text>{c.sent});
  }
}

TEST_F(PopulateComboTest, FillsOneToThreeColumnsAndKeepsTheSelection) {
  combo_->set_text(u"R-1 typed");  // a combo's text is its value
  const struct {
    std::optional<Text> field2, field3;
    Rows rows;
  } cases[] = {
      {std::nullopt, std::nullopt, {{u"R-2", kNull, kNull}, {u"R-1", kNull, kNull}}},
      {u"Descr", std::nullopt, {{u"R-2", u"Relay two", kNull}, {u"R-1", u" ", kNull}}},
      {u"Descr", u"Price", {{u"R-2", u"Relay two", u"12.5"}, {u"R-1", u" ", u" "}}},
      // A third column without a second is not filled.
      {std::nullopt, u"Price", {{u"R-2", kNull, kNull}, {u"R-1", kNull, kNull}}},
  };
  for (const auto& c : cases) {
    pw2_.PopulateCombo(db(), combo_, u"SELECT Name, Descr, Price FROM T", u"Name", u"PartType",
                       u"Relay", u"ORDER BY Name DESC", c.field2, c.field3);
    EXPECT_EQ(RowsOf(3), c.rows);
    EXPECT_EQ(combo_->value(), Variant(u"R-1 typed"));
    EXPECT_EQ(combo_->text(), u"R-1 typed");
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(PopulateComboTest, NoRowsLeaveAnEmptyListAndANullValueLeavesTheControlAlone) {
  pw2_.PopulateCombo(db(), combo_, u"SELECT Name FROM T", u"Name", u"Name", u"X%");
  EXPECT_EQ(combo_->list_count(), 0);
  EXPECT_EQ(combo_->value(), Variant(u"R-1"));
  pw2_.PopulateCombo(db(), combo_, u"SELECT Name FROM T", u"Name");
  ASSERT_EQ(combo_->list_count(), 4);
  combo_->set_value(kNull);
  test_.sql->clear();
  pw2_.PopulateCombo(db(), combo_, u"SELECT Name FROM T WHERE Name = 'R-2'", u"Name");
  EXPECT_EQ(combo_->list_count(), 4);
  EXPECT_TRUE(test_.sql->empty()) << "no database is opened for a Null value";
  EXPECT_TRUE(boxes().empty());
}

TEST_F(PopulateComboTest, OpenAndQueryFailuresShowThePlainBoxAndLeaveTheListCleared) {
  testing::BuildDatabase(dir_.path() / "other.mdb", "CREATE TABLE U(x TEXT);");
  const struct {
    Text file, sql, reason;
  } cases[] = {
      {dir_.file("missing.mdb"), u"SELECT Name FROM T", u"Unable to open database: "},
      {FromUtf8(dir_.path().string()) + u"/", u"SELECT Name FROM T", u"Unable to open database: "},
      {db(), u"SELECT Name FROM Nowhere", u"Error executing query: "},
  };
  for (const auto& c : cases) {
    pw2_.PopulateCombo(db(), combo_, u"SELECT Name FROM T", u"Name");
    combo_->set_value(u"R-2");
    test_.boxes->clear();
    pw2_.PopulateCombo(c.file, combo_, c.sql, u"Name");
    ASSERT_EQ(boxes().size(), 1u);
    const Text start = u"Unable to query '" + c.file + u"': " + c.reason;
    EXPECT_EQ(boxes()[0].text.substr(0, start.size()), start) << ToUtf8(boxes()[0].text);
    EXPECT_EQ(boxes()[0].style, 0);
    EXPECT_EQ(boxes()[0].title, u"KvPwForStencils");
    EXPECT_EQ(combo_->list_count(), 0);
    EXPECT_EQ(combo_->value(), Variant(u""));
    EXPECT_EQ(combo_->text(), u"");
  }
}

TEST_F(PopulateComboTest, FailureDuringTheFillStopsItWithTheCriticalBox) {
  // The third column names no column: the first row keeps columns 0 and 1.
  pw2_.PopulateCombo(db(), combo_, u"SELECT Name, Descr FROM T ORDER BY Name DESC", u"Name",
                     std::nullopt, std::nullopt, std::nullopt, u"Descr", u"Nope");
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0], (Box{Error(err::kItemNotFound).description(), 16, u"3265"}));
  EXPECT_EQ(RowsOf(3), (Rows{{u"S-1", u"Sensor", kNull}}));
  EXPECT_EQ(combo_->value(), Variant(u"")) << "the selection is not put back";

  // A Null first column is handed to AddItem as it is, and the control refuses it.
  test_.boxes->clear();
  combo_->set_value(u"R-1");
  pw2_.PopulateCombo(db(), combo_, u"SELECT Descr FROM T ORDER BY Name DESC", u"Descr");
  EXPECT_EQ(boxes(), (std::vector<Box>{{Error(err::kTypeMismatch).description(), 16, u"13"}}));
  EXPECT_EQ(RowsOf(1), (Rows{{u"Sensor"}, {u"Base"}, {u"Relay two"}}));

  // A value the control rejects, on the second row.
  test_.boxes->clear();
  combo_->set_value(u"R-1");
  combo_->fail_on(ControlMember::kAddItem, Error(380, u"Could not set the property."), 1);
  pw2_.PopulateCombo(db(), combo_, u"SELECT Name FROM T", u"Name");
  EXPECT_EQ(boxes(), (std::vector<Box>{{u"Could not set the property.", 16, u"380"}}));
  EXPECT_EQ(combo_->list_count(), 1);
}

TEST_F(PopulateComboTest, NoCurrentRecordShowsNoMatchesAndEmptiesTheList) {
  combo_->fail_on(ControlMember::kColumnSet, Error(err::kNoCurrentRecord), 1);
  pw2_.PopulateCombo(db(), combo_, u"SELECT Name, Descr FROM T", u"Name", std::nullopt,
                     std::nullopt, std::nullopt, u"Descr");
  EXPECT_EQ(boxes(), (std::vector<Box>{{u"There were no matches found.", 64, u"No Matches"}}));
  EXPECT_EQ(combo_->list_count(), 0);
}

TEST_F(PopulateComboTest, IgnoredFailuresAroundTheFill) {
  // Setting the value fails every time: the fill goes on and the text is still put back.
  combo_->set_text(u"typed");
  combo_->fail_on(ControlMember::kValueSet, Error(380, u"Invalid property value."));
  combo_->fail_on(ControlMember::kClear, Error(380, u"Invalid property value."));
  pw2_.PopulateCombo(db(), combo_, u"SELECT Name FROM T WHERE Name = 'S-1'", u"Name");
  EXPECT_EQ(RowsOf(1), (Rows{{u"S-1"}}));
  EXPECT_EQ(combo_->text(), u"typed");
  EXPECT_TRUE(boxes().empty());

  // A value that cannot be read reaches the caller before anything changes.
  combo_->fail_on(ControlMember::kValueGet, Error(13));
  EXPECT_EQ(testing::ErrorNumberOf(
                [&] { pw2_.PopulateCombo(db(), combo_, u"SELECT Name FROM T", u"Name"); }),
            13);
  EXPECT_EQ(combo_->list_count(), 1);
}

TEST_F(PopulateComboTest, CalledLateBoundWithTheComboAsAnObject) {
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", test_.platform);
  Variant file = db(), combo = ObjectRef(combo_), sql = u"SELECT Name, Descr FROM T",
          field = u"Name", filter_field = u"PartType", filter = u"Sensor", field2 = u"Descr";
  Variant* args[] = {&file, &combo, &sql, &field, &filter_field, &filter, nullptr, &field2};
  pw2->Invoke(*pw2->IdOfName(u"populatecombo"), kMethod, args);
  EXPECT_EQ(RowsOf(2), (Rows{{u"S-1", u"Sensor"}}));
  EXPECT_EQ(filter, Variant(u"Sensor"));

  Variant not_a_control = u"cboPart";
  EXPECT_EQ(testing::ErrorNumberOf([&] {
              Call(pw2, u"PopulateCombo", {&file, &not_a_control, &sql, &field});
            }),
            err::kTypeMismatch);
}

}  // namespace
}  // namespace kvpw
