#include "devices/device_names.h"

#include <gtest/gtest.h>

#include "devices/cells.h"
#include "devices/device_fixtures.h"
#include "frame/error.h"
#include "frame/like.h"
#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "roster/roster.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using host::Box;
using host::ControlMember;
using host::MemoryComboBox;
using testing::Adapter;
using testing::DeviceFields;
using testing::ErrorNumberOf;
using testing::ItemsOf;
using testing::StoredList;
using Names = std::vector<Text>;

TEST(Like, MatchesTheMacroLanguagePatterns) {
  const struct {
    const char16_t* text;
    const char16_t* pattern;
    bool match;
  } cases[] = {
      {u"1:2:0:0:0", u"1:2*", true},
      {u"1:20:0:0:0", u"1:2*", true},
      {u"11:2:0", u"1:2*", false},
      {u"", u"*", true},
      {u"", u"", true},
      {u"a", u"", false},
      {u"abc", u"a?c", true},
      {u"ac", u"a?c", false},
      {u"a7c", u"a#c", true},
      {u"abc", u"a#c", false},
      {u"B", u"[A-C]", true},
      {u"D", u"[A-C]", false},
      {u"b", u"[A-C]", false},
      {u"D", u"[!A-C]", true},
      {u"B", u"[!A-C]", false},
      {u"y", u"[xyz]", true},
      {u"-", u"[a-]", true},
      {u"*", u"[*]", true},
      {u"x", u"[*]", false},
      {u"ab", u"a[]b", true},
      {u"Net", u"net*", false},
      {u"abcabd", u"*abd", true},
      {u"aaa", u"a*a*a", true},
      {u"aa", u"a*a*a", false},
      {u"x:1:y", u"*:#:*", true},
      {u"[", u"[[]", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Like(c.text, c.pattern), c.match) << ToUtf8(c.text) << " like " << ToUtf8(c.pattern);
  for (const char16_t* bad : {u"[abc", u"1:[", u"[z-a]"})
    EXPECT_EQ(ErrorNumberOf([&] { Like(u"x", bad); }), 93) << ToUtf8(bad);
}

class PartsDatabaseTest : public ::testing::Test {
 protected:
  PartsDatabaseTest() {
    testing::BuildDatabase(
        dir_.path() / "parts.mdb",
        "CREATE TABLE Pz_PartsEng_PartItemCodes(PartNumber TEXT,"
        " EngineeringItemCode TEXT, EngineeringPartType TEXT, IsController BOOL);"
        "INSERT INTO Pz_PartsEng_PartItemCodes VALUES"
        " ('CTL-100', 'LNC', 'Controller', 1), ('CTL-200', 'GCM', 'Controller', 1),"
        " ('CTL-100', 'GCM', 'Duplicate', 1), ('RLY-1', 'LNC', 'Relay', 0),"
        " ('CTL-300', NULL, NULL, 1);");
    pw2_.PzPartDatabasePath = dir_.file("parts.mdb");
  }
  const std::vector<Box>& boxes() const { return test_.boxes->boxes(); }

  testing::TempDir dir_;
  testing::TestPlatform test_ = testing::MakeTestPlatform();
  Pw2 pw2_{test_.platform};
  std::shared_ptr<MemoryComboBox> combo_ = std::make_shared<MemoryComboBox>(u"cboDevice");
  const std::vector<DeviceFields> plant_ = {
      {u"zone", u"CTL-100", 5, u"AI1,,", u",,", u",,", u",,", u"1:2:0:0:0"},
      {u"Boiler", u"CTL-200", 1, u",,", u"AO1,x,", u",,", u",,", u"1:20:0:0:0"},
      {u"chiller", u"RLY-1", 4, u",", u",,", u"DI,", u",,", u"11:2:0:0:0"},
      {u"Boiler", u"CTL-100", 7, u",,", u",,", u",,", u"D", u"2:1"},
      {u"AHU", u"", 13, u"", u",,", u",,", u",,", u"a:B"},
  };
};

class DeviceNamesTest : public PartsDatabaseTest, public ::testing::WithParamInterface<Adapter> {
 protected:
  std::shared_ptr<host::Document> Stored(const std::vector<DeviceFields>& records) {
    return StoredList(GetParam(), test_.platform, records);
  }
};

TEST_P(DeviceNamesTest, EachPickerListsItsSelectionSortedByCharacterCodes) {
  const auto doc = Stored(plant_);
  const auto names = [&](auto&& fill) {
    fill();
    return ItemsOf(*combo_);
  };
  const std::pair<int16_t, Names> by_type[] = {
      {0, {u"AHU", u"Boiler", u"Boiler", u"chiller", u"zone"}},
      {5, {u"AHU", u"Boiler", u"zone"}},
      {4, {u"AHU", u"Boiler", u"chiller", u"zone"}},
      {8, {u"AHU"}},
      {2, {u"Boiler"}},
  };
  for (const auto& [filter, want] : by_type)
    EXPECT_EQ(names([&, filter = filter] { pw2_.GetDeviceNames(combo_, filter, doc); }), want)
        << filter;

  const struct {
    int16_t filter;
    Text address;
    Names want;
  } by_network[] = {
      {0, u"1:2", {u"Boiler", u"zone"}},
      {0, u"", {u"AHU", u"Boiler", u"Boiler", u"chiller", u"zone"}},
      {4, u"1:2", {u"zone"}},
      {0, u"1:2:", {u"zone"}},
      {0, u"#:#", {u"Boiler", u"Boiler", u"zone"}},
      {0, u"[!1]", {u"AHU", u"Boiler"}},
      {0, u"A", {}},
      {0, u"a:B", {u"AHU"}},
  };
  for (const auto& c : by_network)
    EXPECT_EQ(names([&] { pw2_.GetDeviceNamesByNetwork(combo_, c.filter, c.address, doc); }),
              c.want)
        << ToUtf8(c.address);

  EXPECT_EQ(names([&] { pw2_.GetAllDeviceNames(combo_, doc); }),
            (Names{u"AHU", u"Boiler", u"Boiler", u"chiller", u"zone"}));

  const std::pair<Text, Names> by_points[] = {
      {u"AI", {u"zone"}},   {u"aO", {u"Boiler"}}, {u"DIDATA", {u"chiller"}},
      {u"DO", {u"Boiler"}}, {u"XX", {}},          {u"", {}},
  };
  for (const auto& [filter, want] : by_points)
    EXPECT_EQ(names([&, &filter = filter] { pw2_.GetPTDeviceNames(combo_, filter, doc); }), want)
        << ToUtf8(filter);
  EXPECT_TRUE(boxes().empty());
}

TEST_P(DeviceNamesTest, PartTypePickerListsControllersOfTheItemCodeWithAddresses) {
  const auto doc = Stored(plant_);
  const auto rows = [&]() {
    std::vector<std::pair<Text, Text>> out;
    for (int32_t r = 0; r < combo_->list_count(); ++r)
      out.emplace_back(ToText(combo_->column(0, r)), ToText(combo_->column(1, r)));
    return out;
  };
  using Rows = std::vector<std::pair<Text, Text>>;
  const std::pair<Text, Rows> cases[] = {
      // CTL-100 is listed twice; its first row (LNC) counts.
      {u"LNC", {{u"Device", u"GCM/LNC"}, {u"Boiler", u"2:1"}, {u"zone", u"1:2:0:0:0"}}},
      {u"GCM", {{u"Device", u"GCM/LNC"}, {u"Boiler", u"1:20:0:0:0"}}},
      // The empty part number finds the empty row 0.
      {u"", {{u"Device", u"GCM/LNC"}, {u"AHU", u"a:B"}}},
      {u"lnc", {{u"Device", u"GCM/LNC"}}},
  };
  for (const auto& [type, want] : cases) {
    test_.sql->clear();
    pw2_.GetDeviceNamesByPartType(combo_, u"ignored.mdb", type, doc);
    EXPECT_EQ(rows(), want) << ToUtf8(type);
    EXPECT_EQ(*test_.sql, (std::vector<Text>{Text(devices::kControllerCountQuery),
                                             Text(devices::kControllerListQuery)}));
  }
  EXPECT_EQ(devices::kControllerListQuery,
            u"SELECT PartNumber, EngineeringItemCode, EngineeringPartType FROM "
            u"Pz_PartsEng_PartItemCodes WHERE Pz_PartsEng_PartItemCodes.IsController = True");
  EXPECT_TRUE(boxes().empty());

  // An unreadable parts database: the box, and no rows.
  pw2_.PzPartDatabasePath = dir_.file("missing.mdb");
  pw2_.GetDeviceNamesByPartType(combo_, u"", u"LNC", doc);
  EXPECT_EQ(combo_->list_count(), 0);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].style, 48);
  EXPECT_EQ(boxes()[0].title, u"Unable to Get Device List");
  EXPECT_EQ(boxes()[0].text.rfind(u"Unable to open database: ", 0), 0u);

  // An empty device list shows the header alone.
  pw2_.PzPartDatabasePath = dir_.file("parts.mdb");
  pw2_.GetDeviceNamesByPartType(combo_, u"", u"LNC", testing::EmptyDrawing(GetParam(), u"E.vsd"));
  EXPECT_EQ(rows(), (Rows{{u"Device", u"GCM/LNC"}}));
}

TEST_F(PartsDatabaseTest, ControllerTableAndRowSearch) {
  Text error;
  const auto table = devices::GetControllerList(test_.platform, dir_.file("parts.mdb"), error);
  ASSERT_TRUE(table.has_value());
  EXPECT_EQ(error, u"");
  ASSERT_EQ(table->size(), 5u);
  EXPECT_EQ((*table)[0], (std::array<Text, 4>{}));
  EXPECT_EQ((*table)[4], (std::array<Text, 4>{u"CTL-300", u"", u"", u""}));
  EXPECT_EQ(devices::FindTableRow(*table, 0, u"CTL-100"), 1);
  EXPECT_EQ(devices::FindTableRow(*table, 1, u"GCM"), 2);
  EXPECT_EQ(devices::FindTableRow(*table, 0, u"ctl-100"), -1);
  EXPECT_EQ(devices::FindTableRow(*table, 2, u""), 0);
  EXPECT_EQ(ErrorNumberOf([&] { devices::FindTableRow(*table, 4, u""); }), err::kSubscript);

  // A count lower than the rows returned: 9.
  testing::BuildDatabase(dir_.path() / "odd.mdb",
                         "CREATE TABLE Pz_PartsEng_PartItemCodes(PartNumber TEXT,"
                         " EngineeringItemCode TEXT, EngineeringPartType TEXT, IsController BOOL);"
                         "CREATE VIEW Unused AS SELECT 1;");
  Text none;
  EXPECT_EQ(devices::GetControllerList(test_.platform, dir_.file("odd.mdb"), none)->size(), 1u);
  EXPECT_FALSE(devices::GetControllerList(test_.platform, dir_.file("nope.mdb"), error));
  EXPECT_FALSE(error.empty());

  EXPECT_FALSE(devices::HasPointData(u""));
  EXPECT_FALSE(devices::HasPointData(u",,,"));
  EXPECT_TRUE(devices::HasPointData(u", ,"));
}

TEST_P(DeviceNamesTest, FailuresAreBoxedExceptTheFirstClear) {
  // A short stored row: error 9 reported, nothing listed.
  auto doc = Stored({{u"a"}, {u"b", u"P", 0, u",,", u",,", u",,", u",,", u""}});
  pw2_.GetAllDeviceNames(combo_, doc);
  EXPECT_EQ(combo_->list_count(), 0);
  EXPECT_EQ(boxes(), (std::vector<Box>{{u"Subscript out of range", 64, u"9"}}));

  // A foreign row ends the load; the names before it are listed.
  test_.boxes->clear();
  auto newer = Stored({{u"b"}, {u"a"}});
  devices::SetCellInteger(newer->document_sheet(), u"Prop.DeviceTableRowCount", 3);
  pw2_.GetAllDeviceNames(combo_, newer);
  EXPECT_EQ(ItemsOf(*combo_), (Names{u"a", u"b"}));
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].title, kNewerVersionTitle);

  // The first Clear failing reaches the caller, except in the part-type picker.
  test_.boxes->clear();
  combo_->fail_on(ControlMember::kClear, Error(err::kMemberNotSupported));
  EXPECT_EQ(ErrorNumberOf([&] { pw2_.GetDeviceNames(combo_, 0, newer); }),
            err::kMemberNotSupported);
  EXPECT_EQ(ErrorNumberOf([&] { pw2_.GetPTDeviceNames(combo_, u"AI", newer); }),
            err::kMemberNotSupported);
  pw2_.GetDeviceNamesByPartType(combo_, u"", u"LNC", newer);
  EXPECT_EQ(boxes().back(), (Box{Error(err::kMemberNotSupported).description(), 64, u"438"}));
  combo_->clear_failures();

  // AddItem failing part way: the rows added so far stay.
  combo_->fail_on(ControlMember::kAddItem, Error(13), 1);
  pw2_.GetAllDeviceNames(combo_, Stored({{u"x"}, {u"y"}, {u"z"}}));
  EXPECT_EQ(ItemsOf(*combo_), (Names{u"x"}));
  EXPECT_EQ(boxes().back(), (Box{u"Type mismatch", 64, u"13"}));
}

TEST_P(DeviceNamesTest, DispatchAndTheSystemList) {
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", test_.platform);
  Variant control{ObjectRef(combo_)}, filter{int32_t{4}}, addr{u"1:2"};
  Variant doc{ObjectRef(Stored(plant_))};
  Call(pw2, u"GetDeviceNamesByNetwork", {&control, &filter, &addr, &doc});
  EXPECT_EQ(ItemsOf(*combo_), (Names{u"zone"}));
  EXPECT_EQ(filter, Variant(int32_t{4}));

  Variant path = u"C:\\Systems.mdb", count = int16_t{3}, error = u"";
  const Variant empty = Call(pw2, u"GetSystemList", {&path, &count, &error});
  ASSERT_TRUE(empty.is_array());
  EXPECT_FALSE(empty.array().dimensioned());
  EXPECT_EQ(error, Variant(u""));
  error = u"No connection";
  Call(pw2, u"GetSystemList", {&path, &count, &error});
  EXPECT_EQ(error, Variant(u"Unable to get System List from 'C:\\Systems.mdb': No connection"));
  EXPECT_EQ(count, Variant(int16_t{3}));
  EXPECT_EQ(path, Variant(u"C:\\Systems.mdb"));
}

INSTANTIATE_TEST_SUITE_P(, DeviceNamesTest, testing::kBothAdapters, testing::AdapterTestName);

}  // namespace
}  // namespace kvpw
