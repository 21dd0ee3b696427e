#include "devices/scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "devices/cells.h"
#include "devices/device_classes.h"
#include "devices/device_sheet.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "roster/roster.h"
#include "testing/drawings.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using host::Box;
using testing::Adapter;
using testing::TestDrawing;

class ScanTest : public ::testing::TestWithParam<Adapter> {
 protected:
  std::vector<Text> Rows(const PwVsdDeviceCollection& c) {
    std::vector<Text> rows;
    for (const DeviceRef& d : c.records()) rows.push_back(d->ToString());
    return rows;
  }
  const std::vector<Box>& boxes() const { return test_.boxes->boxes(); }
  int32_t StoredCount(host::Document& doc) {
    return devices::GetCellInteger(doc.document_sheet(), devices::kDeviceRowCountCell);
  }

  testing::TestPlatform test_ = testing::MakeTestPlatform();
  PwVsdDeviceCollection list_{test_.platform};
};

TEST_P(ScanTest, ListsOneRecordPerNameInCharacterCodeOrderFirstFoundWins) {
  auto doc = TestDrawing(u"Plant.vsd")
                 .master(u"Controller")
                 .prop(u"P11", u"")
                 .prop(u"P99", 1)
                 .prop(u"P12", u"CTL-100")
                 .user(u"AIDATA", u"AI1,Supply,")
                 .page(u"Page-1")
                 .shape(u"S1")
                 .prop(u"P11", u"b")
                 .prop(u"P99", 2.5)
                 .prop(u"P12", u"RLY")
                 .prop(u"P1A", u"1:2:3:0:0")
                 .user(u"DODATA", u"DO1,Fan,")
                 .shape(u"S2", u"Controller")
                 .prop(u"P11", u"A")
                 .shape(u"S3")
                 .prop(u"P11", u"a")
                 .prop(u"P99", 3.5)
                 .prop(u"P12", u"")
                 .prop(u"P1A", u"")
                 .user(u"AIDATA", u"")
                 .shape(u"NoType")
                 .prop(u"P11", u"c")
                 .prop(u"P12", u"X")
                 .shape(u"NoName")
                 .prop(u"P11", u"")
                 .prop(u"P99", 1)
                 .prop(u"P12", u"X")
                 .page(u"Page-2")
                 .shape(u"Again")
                 .prop(u"P11", u"b")
                 .prop(u"P99", 7)
                 .prop(u"P12", u"LATER")
                 .group(u"G")
                 .member(u"Inner")
                 .prop(u"P11", u"0-inner")
                 .prop(u"P99", 1)
                 .prop(u"P12", u"X")
                 .build(GetParam());
  list_.Add(u"kept", u"p", 0, u"", u"", u"", u"", u"1");
  const bool quiet = false;
  list_.ScanFromDrawing(doc, quiet);
  EXPECT_EQ(Rows(list_), (std::vector<Text>{
                             u"V1`kept`p`0`````1",
                             u"V1`A`CTL-100`1`AI1,Supply,`,,`,,`,,`0:0:0:0:0",
                             u"V1`a``4`,,`,,`,,`,,`0:0:0:0:0",
                             u"V1`b`RLY`2`,,`,,`,,`DO1,Fan,`1:2:3:0:0",
                         }));
  EXPECT_EQ(boxes(), (std::vector<Box>{{u"3 Devices found.", 64, u"Update Complete"}}));
}

TEST_P(ScanTest, TheCountMessageAndQuietScans) {
  const struct {
    int devices;
    bool quiet;
    std::vector<Box> shown;
  } cases[] = {{0, false, {{u"0 Devices found.", 64, u"Update Complete"}}},
               {1, false, {{u"1 Device found.", 64, u"Update Complete"}}},
               {12, false, {{u"12 Devices found.", 64, u"Update Complete"}}},
               {2, true, {}}};
  for (const auto& c : cases) {
    test_.boxes->clear();
    TestDrawing drawing;
    drawing.page(u"P");
    for (int i = 0; i < c.devices; ++i)
      drawing.shape(u"").prop(u"P11", u"D" + IntegerText(i)).prop(u"P99", 0).prop(u"P12", u"");
    PwVsdDeviceCollection list(test_.platform);
    list.ScanFromDrawing(drawing.build(GetParam()), c.quiet);
    EXPECT_EQ(list.Count(), c.devices);
    EXPECT_EQ(boxes(), c.shown);
  }
}

TEST_P(ScanTest, FailuresAreShownEvenWhenQuietAndAddNothing) {
  const struct {
    const char* what;
    TestDrawing drawing;
    Box shown;
  } cases[] = {
      {"no part number",
       TestDrawing()
           .shape(u"ok")
           .prop(u"P11", u"a")
           .prop(u"P99", 1)
           .prop(u"P12", u"")
           .shape(u"bad")
           .prop(u"P11", u"b")
           .prop(u"P99", 1),
       {host::host_error::kNoSuchCellText, 64, IntegerText(host::host_error::kNoSuchCell)}},
      {"type beyond 16 bits",
       TestDrawing().shape(u"big").prop(u"P11", u"a").prop(u"P99", 40000).prop(u"P12", u""),
       {u"Overflow", 64, u"6"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test_.boxes->clear();
    auto doc = c.drawing.build(GetParam());
    PwVsdDeviceCollection list(test_.platform);
    list.ScanFromDrawing(doc, true);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(boxes(), std::vector<Box>{c.shown});

    // The update saves what the failed scan left: nothing, over an earlier list.
    PwVsdDeviceCollection earlier(test_.platform);
    earlier.Add(u"old", u"p", 0, u"", u"", u"", u"", u"1");
    earlier.SaveToDocumentSheet(doc);
    Pw2 pw2(test_.platform);
    pw2.UpdateDeviceList(doc, true);
    EXPECT_EQ(StoredCount(*doc), 0);
  }
}

TEST_P(ScanTest, UpdateDeviceListThroughDispatchStoresTheScan) {
  auto doc = TestDrawing()
                 .shape(u"z")
                 .prop(u"P11", u"Zone")
                 .prop(u"P99", 4)
                 .prop(u"P12", u"ZC")
                 .prop(u"P1A", u"2:1")
                 .shape(u"y")
                 .prop(u"P11", u"AHU")
                 .prop(u"P99", 1)
                 .prop(u"P12", u"AC")
                 .build(GetParam());
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", test_.platform);
  Variant document{ObjectRef(doc)}, quiet{int16_t{0}};
  Call(pw2, u"UpdateDeviceList", {&document, &quiet});
  EXPECT_EQ(boxes(), (std::vector<Box>{{u"2 Devices found.", 64, u"Update Complete"}}));
  EXPECT_EQ(StoredCount(*doc), 2);
  EXPECT_EQ(devices::GetCellText(doc->document_sheet(), u"Prop.DeviceTableRow1"),
            u"V1`AHU`AC`1`,,`,,`,,`,,`0:0:0:0:0");
  EXPECT_EQ(devices::GetCellText(doc->document_sheet(), u"Prop.DeviceTableRow2"),
            u"V1`Zone`ZC`4`,,`,,`,,`,,`2:1");

  // Nothing for a document passes as an unset object.
  Variant nothing{ObjectRef()};
  EXPECT_EQ(testing::ErrorNumberOf([&] {
              Call(pw2, u"UpdateDeviceList", {&nothing, &quiet});
            }),
            err::kObjectNotSet);
}

// The scan's order against a plain stable sort of random names, duplicates and case included.
TEST_P(ScanTest, RandomDrawingsGiveTheSortedFirstFoundList) {
  std::mt19937 rng(5);
  const TextView alphabet = u"aAbB_1";
  for (int round = 0; round < 30; ++round) {
    TestDrawing drawing;
    std::vector<std::pair<Text, Text>> expected;  // name, part number of the first found
    const int pages = std::uniform_int_distribution<int>(1, 3)(rng);
    int serial = 0;
    for (int p = 0; p < pages; ++p) {
      drawing.page(u"");
      const int shapes = std::uniform_int_distribution<int>(0, 25)(rng);
      for (int s = 0; s < shapes; ++s) {
        Text name(std::uniform_int_distribution<size_t>(0, 3)(rng), u'a');
        for (char16_t& c : name) c = alphabet[rng() % alphabet.size()];
        const Text part = IntegerText(++serial);
        drawing.shape(u"").prop(u"P11", name).prop(u"P99", 0).prop(u"P12", part);
        expected.emplace_back(name, part);
      }
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Text> want;
    for (size_t i = 0; i < expected.size(); ++i)
      if (!expected[i].first.empty() && (i == 0 || expected[i - 1].first != expected[i].first))
        want.push_back(expected[i].first + u"/" + expected[i].second);
    PwVsdDeviceCollection list(test_.platform);
    list.ScanFromDrawing(drawing.build(GetParam()), true);
    std::vector<Text> got;
    for (const DeviceRef& d : list.records()) got.push_back(d->Device + u"/" + d->PartNum);
    EXPECT_EQ(got, want);
  }
  EXPECT_TRUE(boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(, ScanTest, testing::kBothAdapters, testing::AdapterTestName);

}  // namespace
}  // namespace kvpw
