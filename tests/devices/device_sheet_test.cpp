#include "devices/device_sheet.h"

#include <gtest/gtest.h>

#include <random>

#include "devices/cells.h"
#include "devices/device_classes.h"
#include "frame/error.h"
#include "testing/drawings.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using host::Box;
using testing::Adapter;
using testing::ConstantOf;
using testing::ErrorNumberOf;
using testing::TestDrawing;

const Variant kNoUnits{Text()};

bool IsHidden(host::Shape& shape, TextView row) {
  return shape.cell(Text(u"Prop.") + Text(row) + u".Invisible").result_number() != 0;
}

// The rows of a section, counted as macro code would: by index until there is none.
int RowCount(host::Shape& shape, int16_t section) {
  int16_t rows = 0;
  while (ErrorNumberOf([&] { shape.cell_src(section, rows, host::kColumnValue); }) == 0) ++rows;
  return rows;
}

class DeviceCellsTest : public ::testing::TestWithParam<Adapter> {};

TEST_P(DeviceCellsTest, MissingCellsReadEmptyAndAreAddedOnWrite) {
  auto doc = TestDrawing()
                 .page(u"Page-1")
                 .document_sheet()
                 .prop(u"Shown", u"old")
                 .prop(u"Real", 12.9)
                 .prop(u"Negative", -3.7)
                 .user(u"Note", u"n")
                 .build(GetParam());
  host::Shape& sheet = doc->document_sheet();
  EXPECT_EQ(devices::GetCellText(sheet, u"Prop.Missing"), u"");
  EXPECT_EQ(devices::GetCellInteger(sheet, u"Prop.Missing"), 0);
  EXPECT_EQ(devices::GetCellText(sheet, u"prop.shown"), u"old");
  EXPECT_EQ(devices::GetCellInteger(sheet, u"Prop.Real"), 12);
  EXPECT_EQ(devices::GetCellInteger(sheet, u"Prop.Negative"), -3);

  // A new property row is hidden; a user row has no such flag; other names write nothing.
  devices::SetCellText(sheet, u"Prop.Added", u"a \"b\"");
  EXPECT_EQ(ConstantOf(sheet.cell(u"Prop.Added")), ConstantOf(u"=\"a \"b\"\""));
  EXPECT_TRUE(IsHidden(sheet, u"Added"));
  EXPECT_EQ(ConstantOf(sheet.cell(u"Prop.Added.Invisible")), ConstantOf(u"=True"));
  devices::SetCellInteger(sheet, u"user.Count", -5);
  EXPECT_EQ(ConstantOf(sheet.cell(u"User.Count")), ConstantOf(u"-5"));
  EXPECT_EQ(devices::GetCellInteger(sheet, u"User.Count"), -5);
  const int rows = RowCount(sheet, host::kSectionProperty) + RowCount(sheet, host::kSectionUser);
  EXPECT_EQ(rows, 6);
  devices::SetCellText(sheet, u"Width", u"x");
  devices::SetCellInteger(sheet, u"Cell.Prop", 1);
  EXPECT_EQ(RowCount(sheet, host::kSectionProperty) + RowCount(sheet, host::kSectionUser), rows);

  // An existing row is written in place and keeps its other cells.
  devices::SetCellText(sheet, u"PROP.SHOWN", u"new");
  EXPECT_EQ(devices::GetCellText(sheet, u"Prop.Shown"), u"new");
  EXPECT_FALSE(IsHidden(sheet, u"Shown"));
  devices::SetCellText(sheet, u"User.Note", u"m");
  EXPECT_EQ(sheet.cell(u"User.Note").result_text(kNoUnits), u"m");
}

INSTANTIATE_TEST_SUITE_P(, DeviceCellsTest, testing::kBothAdapters, testing::AdapterTestName);

class DeviceSheetTest : public ::testing::TestWithParam<Adapter> {
 protected:
  DeviceRef Add(PwVsdDeviceCollection& c, Text name, Text lcm = u"1:2:3") {
    return c.Add(name, u"CTL-" + name, 3, u"AI1,T,", u",,", u"DI,", u",,", lcm);
  }
  std::vector<Text> Rows(PwVsdDeviceCollection& c) {
    std::vector<Text> rows;
    for (const DeviceRef& d : c.records()) rows.push_back(d->ToString());
    return rows;
  }
  host::Shape& sheet() { return doc_->document_sheet(); }
  Text RowCell(int n) { return devices::GetCellText(sheet(), devices::DeviceRowCellName(n)); }
  int32_t CountCell() { return devices::GetCellInteger(sheet(), devices::kDeviceRowCountCell); }
  const std::vector<Box>& boxes() const { return test_.boxes->boxes(); }

  testing::TestPlatform test_ = testing::MakeTestPlatform();
  std::shared_ptr<host::Document> doc_ = testing::EmptyDrawing(GetParam(), u"D.vsd");
  PwVsdDeviceCollection saved_{test_.platform};
  PwVsdDeviceCollection loaded_{test_.platform};
};

TEST_P(DeviceSheetTest, SaveWritesHiddenRowsAndTheCountLoadReadsThemBack) {
  Add(saved_, u"b");
  Add(saved_, u"a", u"");  // an empty address cannot be read back
  Add(saved_, u"c");
  saved_.Remove(int32_t{2});
  saved_.SaveToDocumentSheet(doc_);
  EXPECT_EQ(ConstantOf(sheet().cell(u"Prop.DeviceTableRowCount")), ConstantOf(u"2"));
  EXPECT_EQ(ConstantOf(sheet().cell(u"Prop.DeviceTableRow1")),
            ConstantOf(u"=\"V1`b`CTL-b`3`AI1,T,`,,`DI,`,,`1:2:3\""));
  EXPECT_TRUE(IsHidden(sheet(), u"DeviceTableRow2"));
  EXPECT_FALSE(sheet().cell_exists(u"Prop.DeviceTableRow3"));

  loaded_.LoadFromDocumentSheet(doc_);
  EXPECT_EQ(Rows(loaded_), Rows(saved_));
  // Loading again appends: every record twice.
  loaded_.LoadFromDocumentSheet(doc_);
  EXPECT_EQ(loaded_.Count(), 4);
  EXPECT_EQ(loaded_.Item(int32_t{3})->Device, u"b");
  EXPECT_TRUE(boxes().empty());
}

// Only the in-memory drawing hands a formula back exactly as it was written.
TEST(DeviceSheetOnMemory, TheFormulasWrittenAreTheDescribedForms) {
  testing::TestPlatform test = testing::MakeTestPlatform();
  const auto doc = testing::EmptyDrawing(Adapter::kMemory, u"D.vsd");
  PwVsdDeviceCollection list(test.platform);
  list.Add(u"b", u"P", 3, u"AI1,T,", u",,", u",,", u",,", u"1:2");
  list.SaveToDocumentSheet(doc);
  host::Shape& sheet = doc->document_sheet();
  EXPECT_EQ(sheet.cell(u"Prop.DeviceTableRowCount").formula(), u"1");
  EXPECT_EQ(sheet.cell(u"Prop.DeviceTableRow1").formula(), u"=\"V1`b`P`3`AI1,T,`,,`,,`,,`1:2\"");
  EXPECT_EQ(sheet.cell(u"Prop.DeviceTableRow1.Invisible").formula(), u"=True");
  devices::SetCellInteger(sheet, u"User.Count", -5);
  EXPECT_EQ(sheet.cell(u"User.Count").formula(), u"-5");
}

TEST_P(DeviceSheetTest, EmptySaveWritesOnlyTheCountAndShorterSavesLeaveOldRows) {
  saved_.SaveToDocumentSheet(doc_);
  EXPECT_EQ(CountCell(), 0);
  EXPECT_EQ(RowCount(sheet(), host::kSectionProperty), 1);

  PwVsdDeviceCollection five(test_.platform);
  for (const char16_t* n : {u"1", u"2", u"3", u"4", u"5"}) Add(five, n);
  five.SaveToDocumentSheet(doc_);
  Add(saved_, u"x");
  Add(saved_, u"y");
  saved_.SaveToDocumentSheet(doc_);
  EXPECT_EQ(CountCell(), 2);
  EXPECT_EQ(RowCell(2), Rows(saved_)[1]);
  EXPECT_EQ(RowCell(5), Rows(five)[4]);
  loaded_.LoadFromDocumentSheet(doc_);
  EXPECT_EQ(Rows(loaded_), Rows(saved_));
}

TEST_P(DeviceSheetTest, BadStoredListsEndTheLoadAsDescribed) {
  const Text good = u"V1`g`p`1`a`b`c`d`e";
  const struct {
    const char* what;
    double count;
    std::vector<Text> rows;
    int32_t error;
    int32_t loaded;
    bool newer_box;
  } cases[] = {
      {"no count cell", -999, {good}, 0, 0, false},
      {"count beyond the rows present", 3, {good, good}, 0, 2, true},
      {"foreign tag stops", 3, {good, u"V2`x", good}, 0, 1, true},
      {"empty row", 2, {good, u""}, 0, 1, true},
      {"short row", 3, {good, u"V1`s`p`1", good}, err::kSubscript, 1, false},
      {"empty LCM", 1, {u"V1`n`p`1`a`b`c`d`"}, err::kSubscript, 0, false},
      {"type out of range", 1, {u"V1`n`p`99999`a`b`c`d`e"}, err::kOverflow, 0, false},
      {"count beyond 16 bits", 40000, {good}, err::kOverflow, 0, false},
      {"negative count", -2, {good}, 0, 0, false},
      {"a fraction is dropped", 1.9, {good, good}, 0, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test_.boxes->clear();
    TestDrawing drawing(u"Bad.vsd");
    drawing.page(u"Page-1").document_sheet();
    if (c.count != -999) drawing.prop(u"DeviceTableRowCount", c.count);
    for (size_t i = 0; i < c.rows.size(); ++i)
      drawing.prop(u"DeviceTableRow" + IntegerText(static_cast<long long>(i + 1)), c.rows[i]);
    const auto doc = drawing.build(GetParam());
    PwVsdDeviceCollection list(test_.platform);
    EXPECT_EQ(ErrorNumberOf([&] { list.LoadFromDocumentSheet(doc); }), c.error);
    EXPECT_EQ(list.Count(), c.loaded);
    EXPECT_EQ(boxes().size(), c.newer_box ? 1u : 0u);
  }
}

// Rows that exist are written where they stand and the missing ones added, in long runs too.
TEST_P(DeviceSheetTest, ALongListOverAnEarlierOneWritesEveryRowInPlace) {
  PwVsdDeviceCollection earlier(test_.platform);
  for (int i = 1; i <= 1000; ++i) Add(earlier, u"old" + IntegerText(i));
  earlier.SaveToDocumentSheet(doc_);
  devices::SetCellText(sheet(), devices::DeviceRowCellName(1800), u"stray");
  for (int i = 1; i <= 2500; ++i) Add(saved_, u"new" + IntegerText(i));
  saved_.SaveToDocumentSheet(doc_);
  EXPECT_EQ(CountCell(), 2500);
  const std::vector<Text> rows = Rows(saved_);
  for (int i : {1, 1000, 1001, 1799, 1800, 1801, 2048, 2049, 2500}) {
    EXPECT_EQ(RowCell(i), rows[i - 1]) << i;
    EXPECT_TRUE(IsHidden(sheet(), u"DeviceTableRow" + IntegerText(i))) << i;
  }
  // By index: the first save's rows and its count, the stray row, then the rest in order.
  EXPECT_EQ(RowCount(sheet(), host::kSectionProperty), 2501);
  const auto at = [&](int16_t index) {
    return sheet()
        .cell_src(host::kSectionProperty, index, host::kColumnValue)
        .result_text(kNoUnits);
  };
  EXPECT_EQ(at(0), rows[0]);
  EXPECT_EQ(at(999), rows[999]);
  EXPECT_EQ(at(1000), u"2500");
  EXPECT_EQ(at(1001), rows[1799]);
  EXPECT_EQ(at(1002), rows[1000]);
  EXPECT_EQ(at(1800), rows[1798]);
  EXPECT_EQ(at(1801), rows[1800]);
  EXPECT_EQ(at(2500), rows[2499]);
  loaded_.LoadFromDocumentSheet(doc_);
  EXPECT_EQ(Rows(loaded_), rows);
}

TEST_P(DeviceSheetTest, SavingMoreThanTheSixteenBitMaximumFailsAndKeepsTheOldCount) {
  Add(saved_, u"only");
  saved_.SaveToDocumentSheet(doc_);
  PwVsdDeviceCollection big(test_.platform);
  for (int i = 0; i < 32768; ++i) big.Add(u"d", u"p", 0, u"", u"", u"", u"", u"1");
  EXPECT_EQ(ErrorNumberOf([&] { big.SaveToDocumentSheet(doc_); }), err::kOverflow);
  EXPECT_EQ(CountCell(), 1);
  EXPECT_EQ(RowCell(32767), u"V1`d`p`0`````1");
}

Text RandomText(std::mt19937& rng, TextView alphabet, size_t max_length) {
  std::uniform_int_distribution<size_t> length(0, max_length);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  Text t(length(rng), u' ');
  for (char16_t& c : t) c = alphabet[pick(rng)];
  return t;
}

TEST_P(DeviceSheetTest, RandomListsRoundTripExactly) {
  std::mt19937 rng(20261205);
  // Anything but the backquote; double quotes included, which both hosts keep as they are.
  const TextView alphabet = u"abcXYZ019 ,:;-_\"'\u00e9\u4e2d";
  for (int round = 0; round < 40; ++round) {
    PwVsdDeviceCollection out(test_.platform), in(test_.platform);
    const int n = std::uniform_int_distribution<int>(0, 30)(rng);
    for (int i = 0; i < n; ++i) {
      Text lcm = RandomText(rng, alphabet, 12);
      if (lcm.empty()) lcm = u"0";
      out.Add(RandomText(rng, alphabet, 8), RandomText(rng, alphabet, 8),
              static_cast<int16_t>(std::uniform_int_distribution<int>(-32768, 32767)(rng)),
              RandomText(rng, alphabet, 10), RandomText(rng, alphabet, 10),
              RandomText(rng, alphabet, 10), RandomText(rng, alphabet, 10), lcm);
    }
    auto doc = testing::EmptyDrawing(GetParam(), u"R.vsd");
    out.SaveToDocumentSheet(doc);
    in.LoadFromDocumentSheet(doc);
    EXPECT_EQ(Rows(in), Rows(out));
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_P(DeviceSheetTest, RandomStoredRowsNeverCrashTheLoad) {
  std::mt19937 rng(7);
  const TextView alphabet = u"V1`` `a9-.&H";
  for (int round = 0; round < 300; ++round) {
    TestDrawing drawing(u"F.vsd");
    drawing.page(u"Page-1").document_sheet();
    const int rows = std::uniform_int_distribution<int>(0, 6)(rng);
    drawing.prop(u"DeviceTableRowCount", std::uniform_int_distribution<int32_t>(-3, 9)(rng));
    for (int i = 1; i <= rows; ++i) {
      Text row = RandomText(rng, alphabet, 30);
      if (rng() % 2) row = u"V1`" + row;
      drawing.prop(u"DeviceTableRow" + IntegerText(i), row);
    }
    const auto doc = drawing.build(GetParam());
    PwVsdDeviceCollection list(test_.platform);
    const int32_t error = ErrorNumberOf([&] { list.LoadFromDocumentSheet(doc); });
    EXPECT_TRUE(error == 0 || error == err::kSubscript || error == err::kOverflow) << error;
    for (const DeviceRef& d : list.records()) EXPECT_EQ(d->ToString().substr(0, 3), u"V1`");
  }
}

INSTANTIATE_TEST_SUITE_P(, DeviceSheetTest, testing::kBothAdapters, testing::AdapterTestName);

}  // namespace
}  // namespace kvpw
