#include <gtest/gtest.h>

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
using host::MemoryForm;
using host::MemoryTextBox;
using testing::Adapter;
using testing::DeviceFields;
using testing::ItemsOf;
using testing::StoredList;
using Names = std::vector<Text>;

class PointPairsTest : public ::testing::TestWithParam<Adapter> {
 protected:
  PointPairsTest() {
    p15_ = form_->add<MemoryTextBox>(u"txtP15");
    p19_ = form_->add<MemoryTextBox>(u"txtP19");
    p17_ = form_->add<MemoryComboBox>(u"txtP17");
    p18_ = form_->add<MemoryComboBox>(u"txtP18");
  }
  void AddSecondPickers() {
    p30_ = form_->add<MemoryComboBox>(u"txtP30");
    p31_ = form_->add<MemoryComboBox>(u"txtP31");
  }
  std::shared_ptr<host::Document> Stored(const std::vector<DeviceFields>& records) {
    return StoredList(GetParam(), test_.platform, records);
  }
  std::shared_ptr<host::Document> Drawing(const Text& ai) {
    return Stored(
        {{u"Other", u"P", 0, u"X1,X2,"}, {u"CTL-1", u"P", 0, ai, u"AO1,Valve,", u",,", u",,"}});
  }
  const std::vector<Box>& boxes() const { return test_.boxes->boxes(); }

  testing::TestPlatform test_ = testing::MakeTestPlatform();
  Pw2 pw2_{test_.platform};
  std::shared_ptr<MemoryForm> form_ = std::make_shared<MemoryForm>(u"frmPoints");
  std::shared_ptr<MemoryTextBox> p15_, p19_;
  std::shared_ptr<MemoryComboBox> p17_, p18_, p30_, p31_;
};

TEST_P(PointPairsTest, EntriesAlternateBetweenThePickers) {
  const struct {
    Text device, kind, data;
    Names first, second;
  } cases[] = {
      {u"CTL-1",
       u"AI",
       u"A1,Supply temp,A2,Return temp,",
       {u"A1", u"A2"},
       {u"Supply temp", u"Return temp"}},
      // Text after the last comma is not added.
      {u"CTL-1", u"ai", u"A1,Supply temp,A2,Return temp", {u"A1", u"A2"}, {u"Supply temp"}},
      {u"CTL-1", u"AI", u",,", {u""}, {u""}},
      {u"CTL-1", u"AO", u"", {u"AO1"}, {u"Valve"}},
      {u"CTL-1", u"AI", u"a,,b,", {u"a", u"b"}, {u""}},
      // A field key that selects nothing: cleared and left empty.
      {u"CTL-1", u"XX", u"A1,T,", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.data + u" / " + c.kind));
    p17_->add_item(u"stale");
    p18_->add_item(u"stale");
    p15_->set_value(c.device);
    p19_->set_value(c.kind);
    EXPECT_EQ(pw2_.P1P2Insert(form_, Drawing(c.data)), Variant());
    EXPECT_EQ(ItemsOf(*p17_), c.first);
    EXPECT_EQ(ItemsOf(*p18_), c.second);
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_P(PointPairsTest, NoMatchingDeviceLeavesThePickersAlone) {
  p17_->add_item(u"kept");
  for (const char16_t* device : {u"ctl-1", u"CTL", u""}) {
    p15_->set_value(device);
    p19_->set_value(u"AI");
    pw2_.P1P2Insert(form_, Drawing(u"A,B,"));
    EXPECT_EQ(ItemsOf(*p17_), Names{u"kept"});
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_P(PointPairsTest, SeveralRecordsOfOneNameShowTheLastEachStartingOnTheFirstPicker) {
  p15_->set_value(u"Dup");
  p19_->set_value(u"DI");
  const auto doc = Stored(
      {{u"Dup", u"P", 0, u",,", u",,", u"a,b,c,"}, {u"Dup", u"P", 0, u",,", u",,", u"x,y,"}});
  pw2_.P1P2Insert(form_, doc);
  EXPECT_EQ(ItemsOf(*p17_), Names{u"x"});
  EXPECT_EQ(ItemsOf(*p18_), Names{u"y"});
}

TEST_P(PointPairsTest, SecondControlsGetEachEntryAsWell) {
  AddSecondPickers();
  p15_->set_value(u"CTL-1");
  p19_->set_value(u"AI");
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", test_.platform);
  Variant form{ObjectRef(form_)}, doc{ObjectRef(Drawing(u"A1,T1,A2,"))};
  EXPECT_EQ(Call(pw2, u"P1P2InsertTS9XXXX", {&form, &doc}), Variant());
  EXPECT_EQ(ItemsOf(*p17_), (Names{u"A1", u"A2"}));
  EXPECT_EQ(ItemsOf(*p30_), (Names{u"A1", u"A2"}));
  EXPECT_EQ(ItemsOf(*p18_), Names{u"T1"});
  EXPECT_EQ(ItemsOf(*p31_), Names{u"T1"});
  EXPECT_TRUE(boxes().empty());
}

TEST_P(PointPairsTest, FailuresEndInTheInformationBox) {
  p15_->set_value(u"CTL-1");
  p19_->set_value(u"AI");
  // Without txtP30 the TS9XXXX form fails after clearing txtP17 and txtP18.
  p17_->add_item(u"stale");
  pw2_.P1P2InsertTS9XXXX(form_, Drawing(u"A1,T1,"));
  EXPECT_EQ(ItemsOf(*p17_), Names{});
  EXPECT_EQ(boxes(),
            (std::vector<Box>{{Error(err::kMemberNotSupported).description(), 64, u"438"}}));

  // A picker failing part way keeps what it was given.
  test_.boxes->clear();
  p18_->fail_on(ControlMember::kAddItem, Error(err::kInvalidArgument), 1);
  EXPECT_EQ(pw2_.P1P2Insert(form_, Drawing(u"A1,T1,A2,T2,A3,")), Variant());
  EXPECT_EQ(ItemsOf(*p17_), (Names{u"A1", u"A2"}));
  EXPECT_EQ(ItemsOf(*p18_), Names{u"T1"});
  EXPECT_EQ(boxes(), (std::vector<Box>{{u"Invalid procedure call or argument", 64, u"5"}}));

  // No document.
  test_.boxes->clear();
  pw2_.P1P2Insert(form_, nullptr);
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].title, u"91");
}

INSTANTIATE_TEST_SUITE_P(, PointPairsTest, testing::kBothAdapters, testing::AdapterTestName);

}  // namespace
}  // namespace kvpw
