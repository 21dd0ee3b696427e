#include <gtest/gtest.h>

#include <random>

#include "devices/device_fixtures.h"
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
using testing::Adapter;
using testing::DeviceFields;
using testing::ItemsOf;
using testing::StoredList;
using Names = std::vector<Text>;

std::vector<DeviceFields> WithAddresses(std::initializer_list<const char16_t*> addresses) {
  std::vector<DeviceFields> out;
  int i = 0;
  for (const char16_t* a : addresses) {
    DeviceFields d;
    d.device = u"D" + IntegerText(++i);
    d.lcm = a;
    out.push_back(d);
  }
  return out;
}

TEST(Tiers, CutsOneTierAMissingTierReadingZero) {
  const struct {
    const char16_t* address;
    int16_t tier;
    const char16_t* result;
  } cases[] = {
      {u"3:12:7:0:0", 0, u"3"},
      {u"3:12:7:0:0", 1, u"12"},
      {u"3:12:7:0:0", 2, u"7"},
      {u"3:12:7:0:0", 5, u"0"},
      {u"3", 0, u"3"},
      {u"3", 1, u"0"},
      {u"3::7", 1, u""},
      {u"1:2:3", 2, u"3"},
      {u"1:2:3", 3, u"0"},
      {u"1:2:3:", 3, u""},
      {u"", 0, u""},
      {u"", 1, u"0"},
      {u"1:2", -1, u"0"},
      {u":", 0, u""},
      {u":", 1, u""},
      {u"a b:c", 0, u"a b"},
  };
  Pw2 pw2(testing::MakeTestPlatform().platform);
  for (const auto& c : cases)
    EXPECT_EQ(pw2.fncstrTier(c.address, c.tier), c.result)
        << ToUtf8(c.address) << " tier " << c.tier;
}

class PickerTest : public ::testing::TestWithParam<Adapter> {
 protected:
  const std::vector<Box>& boxes() const { return test_.boxes->boxes(); }
  std::shared_ptr<host::Document> Stored(const std::vector<DeviceFields>& records) {
    return StoredList(GetParam(), test_.platform, records);
  }
  Names Network(const std::shared_ptr<host::Document>& doc) {
    pw2_.PopulateComboNetwork(network_, doc);
    return ItemsOf(*network_);
  }
  Names Gcm(const std::shared_ptr<host::Document>& doc) {
    pw2_.PopulateComboGCM(network_, gcm_, doc);
    return ItemsOf(*gcm_);
  }
  Names Intr(const std::shared_ptr<host::Document>& doc) {
    pw2_.PopulateComboINTR(network_, gcm_, intr_, doc);
    return ItemsOf(*intr_);
  }

  testing::TestPlatform test_ = testing::MakeTestPlatform();
  Pw2 pw2_{test_.platform};
  std::shared_ptr<MemoryComboBox> network_ = std::make_shared<MemoryComboBox>(u"cboNet");
  std::shared_ptr<MemoryComboBox> gcm_ = std::make_shared<MemoryComboBox>(u"cboGCM");
  std::shared_ptr<MemoryComboBox> intr_ = std::make_shared<MemoryComboBox>(u"cboIntr");
};

TEST_P(PickerTest, DistinctTiersInNumericOrderTiesInTheOrderFirstMet) {
  // An empty address cannot be stored (its row would be short); ":" has an empty tier 0 and 1.
  const auto doc = Stored(WithAddresses({u"2:1:1", u"10:1:1", u"2:3:1", u":", u"7"}));
  network_->set_value(u"10");  // the GCM picker does not look at it
  EXPECT_EQ(Network(doc), (Names{u"2", u"7", u"10"}));
  EXPECT_EQ(Gcm(doc), (Names{u"0", u"1", u"3"}));
  EXPECT_EQ(Intr(doc), (Names{u"0", u"1"}));

  const struct {
    std::vector<DeviceFields> list;
    Names network;
  } cases[] = {
      {WithAddresses({u"05", u"5", u"5", u"4"}), {u"4", u"05", u"5"}},
      {WithAddresses({u"1", u"x", u"-2", u"1.5", u" 3", u"07", u"7"}),
       {u"-2", u"x", u"1", u"1.5", u" 3", u"07", u"7"}},
      {WithAddresses({u":1", u"::"}), {}},
      {WithAddresses({u"9", u"10", u"9.0", u"100"}), {u"9", u"9.0", u"10", u"100"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Network(Stored(c.list)), c.network);
  EXPECT_TRUE(boxes().empty());
}

TEST_P(PickerTest, NoStoredListLeavesThePickersClearedAndEmpty) {
  const auto empty = testing::EmptyDrawing(GetParam(), u"Empty.vsd");
  network_->add_item(u"stale");
  gcm_->add_item(u"stale");
  intr_->add_item(u"stale");
  EXPECT_EQ(Network(empty), Names{});
  EXPECT_EQ(Gcm(empty), Names{});
  EXPECT_EQ(Intr(empty), Names{});
  EXPECT_TRUE(boxes().empty());
}

TEST_P(PickerTest, FailuresAreReportedWithTheInformationIcon) {
  const auto doc = Stored(WithAddresses({u"1:1", u"2:2", u"3:3"}));
  gcm_->fail_on(ControlMember::kAddItem, Error(err::kInvalidArgument), 2);
  EXPECT_EQ(Gcm(doc), (Names{u"1", u"2"}));
  EXPECT_EQ(boxes(), (std::vector<Box>{{u"Invalid procedure call or argument", 64, u"5"}}));

  test_.boxes->clear();
  network_->fail_on(ControlMember::kClear, Error(err::kMemberNotSupported));
  pw2_.PopulateComboNetwork(network_, doc);
  EXPECT_EQ(boxes().back().title, u"438");

  // A short stored row: the load fails, nothing is listed.
  const auto bad = Stored({{u"a"}, {u"b", u"P", 0, u"", u"", u"", u"", u""}});
  EXPECT_EQ(Intr(bad), Names{});
  EXPECT_EQ(boxes().back(), (Box{u"Subscript out of range", 64, u"9"}));
}

TEST_P(PickerTest, DispatchAndRandomAddressesNeverCrash) {
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", test_.platform);
  Variant address = u"4:5:6", tier = int32_t{1};
  EXPECT_EQ(Call(pw2, u"fncstrTier", {&address, &tier}), Variant(u"5"));
  EXPECT_EQ(tier, Variant(int32_t{1}));

  std::mt19937 rng(11);
  const TextView alphabet = u"0123:::-.a ";
  for (int round = 0; round < 200; ++round) {
    std::vector<DeviceFields> list;
    const int n = std::uniform_int_distribution<int>(0, 12)(rng);
    for (int i = 0; i < n; ++i) {
      Text lcm(std::uniform_int_distribution<size_t>(1, 14)(rng), u'0');
      for (char16_t& c : lcm) c = alphabet[rng() % alphabet.size()];
      list.push_back({u"d", u"p", 0, u",,", u",,", u",,", u",,", lcm});
    }
    Variant doc{ObjectRef(Stored(list))};
    Variant net{ObjectRef(network_)}, gcm{ObjectRef(gcm_)}, intr{ObjectRef(intr_)};
    Call(pw2, u"PopulateComboINTR", {&net, &gcm, &intr, &doc});
    // Each listed value is non-empty, distinct, and the values rise numerically.
    const Names items = ItemsOf(*intr_);
    for (size_t i = 0; i < items.size(); ++i) {
      EXPECT_FALSE(items[i].empty());
      for (size_t j = 0; j < i; ++j) EXPECT_NE(items[i], items[j]);
      if (i > 0) {
        EXPECT_LE(Val(items[i - 1]), Val(items[i]));
      }
    }
  }
  EXPECT_TRUE(boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(, PickerTest, testing::kBothAdapters, testing::AdapterTestName);

}  // namespace
}  // namespace kvpw
