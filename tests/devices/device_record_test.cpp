#include <gtest/gtest.h>

#include "devices/device_classes.h"
#include "frame/error.h"
#include "roster/roster.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using host::Box;
using testing::ErrorNumberOf;

const Box kNewerVersionBox{Text(kNewerVersionText), 1, Text(kNewerVersionTitle)};

struct Fields {
  Text device, part;
  int16_t type;
  Text ai, ao, di, dob, lcm;
  bool operator==(const Fields&) const = default;
};

Fields FieldsOf(const PwVsdDevice& d) {
  return {d.Device, d.PartNum, d.DeviceType, d.AIData, d.AOData, d.DIData, d.DOData, d.LCM};
}

class DeviceRecordTest : public ::testing::Test {
 protected:
  std::shared_ptr<PwVsdDevice> NewDevice() { return std::make_shared<PwVsdDevice>(test_.platform); }
  const std::vector<Box>& boxes() const { return test_.boxes->boxes(); }
  testing::TestPlatform test_ = testing::MakeTestPlatform();
};

TEST_F(DeviceRecordTest, RowsLoadIntoFieldsAndWriteBackTheSame) {
  const struct {
    Text row;
    Fields fields;
  } cases[] = {
      {u"V1`AHU-1`CTL-100`3`AI1,Temp,`AO1,Valve,`,,`,,`1:2:3:0:0",
       {u"AHU-1", u"CTL-100", 3, u"AI1,Temp,", u"AO1,Valve,", u",,", u",,", u"1:2:3:0:0"}},
      // An empty name between two backquotes survives.
      {u"V1``P`-7`a`b`c`d`e", {u"", u"P", -7, u"a", u"b", u"c", u"d", u"e"}},
      {u"V1`\"q\"`P`32767`a`b`c`d`x", {u"\"q\"", u"P", 32767, u"a", u"b", u"c", u"d", u"x"}},
      {u"V1`n`p`-32768`````:", {u"n", u"p", -32768, u"", u"", u"", u"", u":"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.row));
    auto d = NewDevice();
    EXPECT_TRUE(d->LoadFromString(c.row));
    EXPECT_EQ(FieldsOf(*d), c.fields);
    EXPECT_EQ(d->ToString(), c.row);
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(DeviceRecordTest, TypePieceIsReadAsALeadingNumberRoundedHalfToEven) {
  const struct {
    Text piece;
    int16_t type;
  } cases[] = {{u"2.5", 2},   {u"3.5", 4},   {u"", 0},   {u"-1", -1},  {u"12abc", 12},
               {u" 1 2", 12}, {u"&H10", 16}, {u"x7", 0}, {u"-0.5", 0}, {u"1e2", 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.piece));
    auto d = NewDevice();
    EXPECT_TRUE(d->LoadFromString(u"V1`n`p`" + c.piece + u"`a`b`c`d`e"));
    EXPECT_EQ(d->DeviceType, c.type);
  }
}

TEST_F(DeviceRecordTest, ForeignTagShowsTheNewerVersionBoxAndChangesNothing) {
  for (const Text row : {u"v1`n`p`1`a`b`c`d`e", u"V2`n`p`1`a`b`c`d`e", u"", u" V1`n", u"`V1`n"}) {
    SCOPED_TRACE(ToUtf8(row));
    test_.boxes->clear();
    auto d = NewDevice();
    d->Device = u"keep";
    EXPECT_FALSE(d->LoadFromString(row));
    EXPECT_EQ(d->Device, u"keep");
    EXPECT_EQ(boxes(), std::vector<Box>{kNewerVersionBox});
  }
}

TEST_F(DeviceRecordTest, ShortRowFailsWithNineAfterAssigningThePiecesPresent) {
  // A new record's row ends in a backquote: the empty LCM gives no piece.
  auto fresh = NewDevice();
  EXPECT_EQ(fresh->ToString(), u"V1```0`````");
  auto d = NewDevice();
  d->LCM = u"old";
  EXPECT_EQ(ErrorNumberOf([&] { d->LoadFromString(u"V1`n`p`5`a`b`c`d`"); }), err::kSubscript);
  EXPECT_EQ(FieldsOf(*d), (Fields{u"n", u"p", 5, u"a", u"b", u"c", u"d", u"old"}));

  auto e = NewDevice();
  EXPECT_EQ(ErrorNumberOf([&] { e->LoadFromString(u"V1`only"); }), err::kSubscript);
  EXPECT_EQ(e->Device, u"only");
  EXPECT_EQ(e->PartNum, u"");

  // Out of the 16-bit range: 6, after the name and part number were taken.
  auto f = NewDevice();
  EXPECT_EQ(ErrorNumberOf([&] { f->LoadFromString(u"V1`n`p`32768`a`b`c`d`e"); }), err::kOverflow);
  EXPECT_EQ(FieldsOf(*f), (Fields{u"n", u"p", 0, u"", u"", u"", u"", u""}));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(DeviceRecordTest, BackquoteInsideAFieldShiftsTheFieldsAfterIt) {
  auto d = NewDevice();
  d->Device = u"a`b";
  d->PartNum = u"7";
  d->LCM = u"1:2";
  auto e = NewDevice();
  EXPECT_TRUE(e->LoadFromString(d->ToString()));
  EXPECT_EQ(FieldsOf(*e), (Fields{u"a", u"b", 7, u"0", u"", u"", u"", u""}));
}

TEST_F(DeviceRecordTest, GetDataFieldLooksAtTheFirstTwoCharactersOnly) {
  auto d = NewDevice();
  d->AIData = u"ai";
  d->AOData = u"ao";
  d->DIData = u"di";
  d->DOData = u"do";
  const struct {
    Text key, result;
  } cases[] = {{u"AI", u"ai"}, {u"ai", u"ai"}, {u"AIDATA", u"ai"}, {u"aO", u"ao"}, {u"DI", u"di"},
               {u"Do", u"do"}, {u"", u""},     {u"A", u""},        {u" AI", u""},  {u"DX", u""}};
  for (const auto& c : cases) EXPECT_EQ(d->GetDataField(c.key), c.result) << ToUtf8(c.key);
}

class DeviceCollectionTest : public DeviceRecordTest {
 protected:
  DeviceRef Add(PwVsdDeviceCollection& c, Text name, std::optional<Text> key = std::nullopt) {
    return c.Add(name, u"P", 1, u"a", u"b", u"c", u"d", u"1:2", key);
  }
  PwVsdDeviceCollection list_{test_.platform};
};

TEST_F(DeviceCollectionTest, PositionsKeysAndRemoval) {
  const DeviceRef a = Add(list_, u"a", u"KeyA");
  const DeviceRef b = Add(list_, u"b");
  const DeviceRef c = Add(list_, u"c", u"");
  EXPECT_EQ(list_.Count(), 3);
  EXPECT_EQ(list_.Item(int32_t{1}), a);
  EXPECT_EQ(list_.Item(int16_t{3}), c);
  EXPECT_EQ(list_.Item(2.0), b);
  EXPECT_EQ(list_.Item(u"keya"), a);

  // A key already present, in any case: 457, and the record is not added.
  EXPECT_EQ(ErrorNumberOf([&] { Add(list_, u"x", u"KEYA"); }), err::kDuplicateKey);
  EXPECT_EQ(list_.Count(), 3);

  const struct {
    Variant index;
    int32_t error;
  } bad[] = {{int32_t{0}, err::kSubscript},  {int32_t{4}, err::kSubscript},
             {int32_t{-1}, err::kSubscript}, {u"nokey", err::kInvalidArgument},
             {u"", err::kInvalidArgument},   {u"1", err::kInvalidArgument}};
  for (const auto& x : bad) {
    EXPECT_EQ(ErrorNumberOf([&] { list_.Item(x.index); }), x.error) << ToUtf8(ToText(x.index));
    EXPECT_EQ(ErrorNumberOf([&] { list_.Remove(x.index); }), x.error);
  }

  list_.Remove(u"KEYA");
  EXPECT_EQ(list_.Count(), 2);
  EXPECT_EQ(list_.Item(int32_t{1}), b);
  // The key is free again once its record is gone.
  Add(list_, u"again", u"keyA");
  list_.Remove(int32_t{1});
  EXPECT_EQ(list_.Item(int32_t{1}), c);
  EXPECT_EQ(list_.Item(u"KeyA")->Device, u"again");
}

TEST_F(DeviceCollectionTest, FindDeviceIgnoresCaseAndReturnsTheFirstAdded) {
  const DeviceRef first = Add(list_, u"Pump-1");
  Add(list_, u"PUMP-1");
  Add(list_, u"Fan");
  EXPECT_EQ(list_.FindDevice(u"pump-1"), first);
  EXPECT_EQ(list_.FindDevice(u"FAN")->Device, u"Fan");
  EXPECT_EQ(list_.FindDevice(u"Pump"), nullptr);
  EXPECT_EQ(list_.FindDevice(u""), nullptr);
}

TEST_F(DeviceCollectionTest, DispatchReachesMembersByNameAndIdentifier) {
  const ObjectRef list = CreateObject(u"KvPwForStencils.PwVsdDeviceCollection", test_.platform);
  Variant name = u"AHU-1", part = u"CTL", type = int32_t{5}, ai = u"1,", ao = u",,", di = u",,",
          dob = u",,", lcm = u"1:2";
  const Variant added = Call(list, u"Add", {&name, &part, &type, &ai, &ao, &di, &dob, &lcm});
  // By-reference arguments come back unchanged, in their own kinds.
  EXPECT_EQ(type, Variant(int32_t{5}));
  name = u"B-2";
  Call(list, u"add", {&name, &part, &type, &ai, &ao, &di, &dob, &lcm});
  EXPECT_EQ(Get(list, u"Count"), Variant(int32_t{2}));

  // The default member is Item, the enumerator walks the records in order.
  Variant one = int16_t{1};
  Variant* args[] = {&one};
  EXPECT_EQ(list->Invoke(kDispIdValue, kPropertyGet | kMethod, args), added);
  EXPECT_EQ(Get(added.object(), u"DeviceType"), Variant(int16_t{5}));
  EXPECT_EQ(Call(added.object(), u"ToString"), Variant(u"V1`AHU-1`CTL`5`1,`,,`,,`,,`1:2"));
  const ObjectRef walker = list->Invoke(kDispIdNewEnum, kPropertyGet, {}).object();
  std::vector<Text> walked;
  for (Variant v = Call(walker, u"Next"); !v.is_empty(); v = Call(walker, u"Next"))
    walked.push_back(ToText(Get(v.object(), u"Device")));
  EXPECT_EQ(walked, (std::vector<Text>{u"AHU-1", u"B-2"}));
  Call(walker, u"Reset");
  EXPECT_EQ(Call(walker, u"Next"), added);

  Variant lower = u"ahu-1";
  EXPECT_EQ(Call(list, u"FindDevice", {&lower}), added);
  Variant missing = u"none";
  EXPECT_EQ(Call(list, u"FindDevice", {&missing}), Variant(ObjectRef()));
  Call(list, u"Remove", {&one});
  EXPECT_EQ(Get(list, u"Count"), Variant(int32_t{1}));

  // Properties of the record through the runtime.
  const ObjectRef device = CreateObject(u"KvPwForStencils.PwVsdDevice", test_.platform);
  Let(device, u"LCM", u" 1:2 ");
  Let(device, u"DeviceType", 2.5);
  EXPECT_EQ(Get(device, u"lcm"), Variant(u" 1:2 "));
  EXPECT_EQ(Get(device, u"DeviceType"), Variant(int16_t{2}));
  Variant key = u"aidata";
  EXPECT_EQ(Call(device, u"GetDataField", {&key}), Variant(u""));
  Variant row = u"V1`n`p`1`a`b`c`d`e";
  EXPECT_EQ(Call(device, u"LoadFromString", {&row}), Variant(true));
  EXPECT_EQ(Call(device, u"GetDataField", {&key}), Variant(u"a"));
}

TEST(DeviceRoster, DispatchIdentifiersAreTheFixedOnes) {
  const Text device = u"KvPwForStencils.PwVsdDevice",
             list = u"KvPwForStencils.PwVsdDeviceCollection";
  // Each run of members is numbered in order from its first identifier.
  const struct {
    Text prog_id;
    DispId first;
    std::vector<const char16_t*> members;
  } runs[] = {
      {device,
       0x68030000,
       {u"Device", u"PartNum", u"DeviceType", u"AIData", u"AOData", u"DIData", u"DOData", u"LCM"}},
      {device, 0x60030008, {u"ToString", u"LoadFromString", u"GetDataField"}},
      {list,
       0x60030001,
       {u"FindDevice", u"ScanFromDrawing", u"SaveToDocumentSheet", u"LoadFromDocumentSheet", u"Add",
        u"Remove"}},
      {list, 0x68030000, {u"Count"}},
      {list, 0, {u"Item"}},
      {list, -4, {u"NewEnum"}},
      {u"KvPwForStencils.Pw2",
       0x60030014,
       {u"GetSystemList", u"UpdateDeviceList", u"GetDeviceNames", u"GetDeviceNamesByPartType",
        u"GetDeviceNamesByNetwork", u"GetAllDeviceNames", u"PopulateComboNetwork",
        u"PopulateComboGCM", u"PopulateComboINTR", u"fncstrTier", u"P1P2Insert",
        u"P1P2InsertTS9XXXX", u"GetPTDeviceNames"}},
  };
  const auto platform = testing::MakeTestPlatform().platform;
  for (const auto& run : runs) {
    const ObjectRef object = CreateObject(run.prog_id, platform);
    DispId id = run.first;
    for (const char16_t* member : run.members)
      EXPECT_EQ(object->IdOfName(member), id++) << ToUtf8(member);
  }
}

}  // namespace
}  // namespace kvpw
