#include <gtest/gtest.h>

#include "frame/error.h"
#include "frame/pw2.h"
#include "roster/roster.h"
#include "testing/drawings.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using host::Box;
using testing::Adapter;
using testing::ErrorNumberOf;
using testing::TestDrawing;

constexpr int32_t kInformation = 64;
const Text kCountQuery = u"SELECT Count(*) AS RecordCount FROM Pz_PartsEng_PartItemCodes";
const Text kTableQuery = u"SELECT * FROM Pz_PartsEng_PartItemCodes";

Box Conflict(const Text& earlier, const Text& current) {
  return {earlier + u"\n\rconflicts with \n\r" + current, kInformation, u"Conflicting Addresses"};
}

class DuplicateAddressesCheck : public ::testing::Test {
 protected:
  DuplicateAddressesCheck() {
    testing::BuildDatabase(
        dir_.path() / "parts.mdb",
        "CREATE TABLE Pz_PartsEng_PartItemCodes(ID INTEGER PRIMARY KEY,"
        " PartNumber TEXT COLLATE NOCASE, EngineeringItemCode TEXT COLLATE NOCASE,"
        " EngineeringPartType TEXT COLLATE NOCASE, IsController BOOLEAN);"
        "INSERT INTO Pz_PartsEng_PartItemCodes(PartNumber, EngineeringItemCode,"
        " EngineeringPartType, IsController) VALUES"
        " ('CTL-A', 'GCM-2000', 'GCM', 1), ('CTL-B', 'GCM-2400', 'GCM', 1),"
        " ('VAV-1', 'VAV-110', 'ASC', 1), ('CTL-A', 'GCM-2000', 'LNC', 1),"
        " ('NOTYPE', 'X', NULL, 0), (NULL, 'Y', 'GCM', 0),"
        " ('COLON-1', 'Z', 'X', 0), ('COLON-2', 'Z', 'X:Y', 0);");
    pw2_.Initialize(dir_.file("parts.mdb"), u"");
  }

  // A device shape as the stencils draw it.
  static void Device(TestDrawing& b, const Text& shape, const Text& name, const Text& part,
                     const Text& address) {
    b.shape(shape).prop(u"P99", 1).prop(u"P11", name).prop(u"P12", part).prop(u"P1A", address);
  }

  testing::TempDir dir_;
  testing::TestPlatform test_ = testing::MakeTestPlatform();
  Pw2 pw2_{test_.platform};
};

class DuplicateAddressesTest : public DuplicateAddressesCheck,
                               public ::testing::WithParamInterface<Adapter> {};

TEST_P(DuplicateAddressesTest, ReportsEachEarlierShapeOfTheSameKeyInCheckingOrder) {
  TestDrawing b(u"Plant.vsd");
  b.page(u"Floor 1");
  Device(b, u"S1", u"GCM-1", u"CTL-A", u"1:2");
  Device(b, u"S2", u"VAV-A", u"VAV-1", u"1:2");  // another part type: no conflict
  b.shape(u"S3").prop(u"P99", 1).prop(u"P11", u"NoAddr").prop(u"P12", u"CTL-A");
  b.shape(u"S4").prop(u"P11", u"NoFlags").prop(u"P12", u"CTL-A").prop(u"P1A", u"1:2");
  Device(b, u"S5", u"Lower", u"ctl-a", u"1:2");  // part numbers match with letter case
  Device(b, u"S6", u"Ghost", u"NOT-LISTED", u"1:2");
  b.page(u"Floor 2");
  Device(b, u"S1", u"GCM-2", u"CTL-B", u"1:2");
  Device(b, u"S2", u"GCM-3", u"CTL-A", u"1:2");
  Device(b, u"S3", u"GCM-4", u"CTL-A", u"01:2");  // spelled differently: no conflict
  Device(b, u"S4", u"Blank-1", u"CTL-B", u"");
  Device(b, u"S5", u"Blank-2", u"CTL-A", u"");
  Device(b, u"S6", u"Untyped-1", u"NOTYPE", u"7");
  Device(b, u"S7", u"Untyped-2", u"NOTYPE", u"7");
  b.group(u"G").member(u"Inner").prop(u"P99", 1).prop(u"P11", u"Inner").prop(u"P12", u"CTL-A");
  b.prop(u"P1A", u"1:2");  // members of groups are not visited
  const auto doc = b.build(GetParam());

  pw2_.CheckForDuplicateAddresses(doc, u"ignored.mdb");

  const Text first = u"GCM-1 [GCM:1:2 On Plant.vsd:Floor 1]";
  const Text second = u"GCM-2 [GCM:1:2 On Plant.vsd:Floor 2]";
  const Text third = u"GCM-3 [GCM:1:2 On Plant.vsd:Floor 2]";
  const std::vector<Box> expected = {
      Conflict(first, second),
      Conflict(first, third),
      Conflict(second, third),
      Conflict(u"Blank-1 [GCM: On Plant.vsd:Floor 2]", u"Blank-2 [GCM: On Plant.vsd:Floor 2]"),
      Conflict(u"Untyped-1 [:7 On Plant.vsd:Floor 2]", u"Untyped-2 [:7 On Plant.vsd:Floor 2]"),
  };
  EXPECT_EQ(test_.boxes->boxes(), expected);
  EXPECT_EQ(*test_.sql, (std::vector<Text>{kCountQuery, kTableQuery}));
}

TEST_P(DuplicateAddressesTest, NoMessageWithoutConflicts) {
  TestDrawing empty(u"Empty.vsd");
  empty.page(u"P1").shape(u"Box").prop(u"P11", u"Not a device");
  TestDrawing unknown(u"Unknown.vsd");
  Device(unknown, u"A", u"D1", u"NOPE-1", u"1");
  Device(unknown, u"B", u"D2", u"NOPE-1", u"1");
  for (const TestDrawing* b : {&empty, &unknown}) {
    pw2_.CheckForDuplicateAddresses(b->build(GetParam()), u"");
    EXPECT_TRUE(test_.boxes->boxes().empty());
  }
}

// Only the in-memory drawing can be without pages: a drawing file always has one.
TEST_F(DuplicateAddressesCheck, ADrawingWithoutPagesHasNoConflicts) {
  pw2_.CheckForDuplicateAddresses(TestDrawing(u"NoPages.vsd").build(Adapter::kMemory), u"");
  EXPECT_TRUE(test_.boxes->boxes().empty());
  EXPECT_EQ(*test_.sql, (std::vector<Text>{kCountQuery, kTableQuery}));
}

TEST_P(DuplicateAddressesTest, DatabaseFailuresEndTheCheckSilently) {
  testing::BuildDatabase(dir_.path() / "other.mdb", "CREATE TABLE Unrelated(x INTEGER);");
  TestDrawing b;
  Device(b, u"A", u"D1", u"CTL-A", u"1");
  Device(b, u"B", u"D2", u"CTL-A", u"1");
  const auto doc = b.build(GetParam());
  for (const Text& path : {dir_.file("missing.mdb"), dir_.file("other.mdb"), Text()}) {
    pw2_.PzPartDatabasePath = path;
    pw2_.CheckForDuplicateAddresses(doc, dir_.file("parts.mdb"));
    EXPECT_TRUE(test_.boxes->boxes().empty()) << ToUtf8(path);
    // Without a database the drawing is not even looked at.
    pw2_.CheckForDuplicateAddresses(nullptr, u"");
  }
}

TEST_P(DuplicateAddressesTest, HostFailuresReachTheCallerAfterTheMessagesShown) {
  TestDrawing b(u"D.vsd");
  b.page(u"P");
  Device(b, u"A", u"D1", u"CTL-A", u"5");
  Device(b, u"B", u"D2", u"CTL-A", u"5");
  b.shape(u"C").prop(u"P99", 1).prop(u"P1A", u"5");  // a device without a part number cell
  Device(b, u"D", u"D3", u"CTL-A", u"5");
  const auto doc = b.build(GetParam());
  EXPECT_EQ(ErrorNumberOf([&] { pw2_.CheckForDuplicateAddresses(doc, u""); }),
            host::host_error::kNoSuchCell);
  EXPECT_EQ(test_.boxes->boxes(),
            std::vector<Box>{Conflict(u"D1 [GCM:5 On D.vsd:P]", u"D2 [GCM:5 On D.vsd:P]")});

  EXPECT_EQ(ErrorNumberOf([&] { pw2_.CheckForDuplicateAddresses(nullptr, u""); }),
            err::kObjectNotSet);
}

// A device's name and address are read only when its part number is in the table, so a device
// without them fails the check only then; and a key is one text, whatever colons the part type
// and the address hold.
TEST_P(DuplicateAddressesTest, WhatIsReadOfADeviceDependsOnItsPartRow) {
  const Box d1_d2 = Conflict(u"D1 [GCM:5 On D.vsd:P]", u"D2 [GCM:5 On D.vsd:P]");
  const Box colons = Conflict(u"D3 [X:Y:Z On D.vsd:P]", u"D4 [X:Y:Z On D.vsd:P]");
  const Box d1_d5 = Conflict(u"D1 [GCM:5 On D.vsd:P]", u"D5 [GCM:5 On D.vsd:P]");
  const Box d2_d5 = Conflict(u"D2 [GCM:5 On D.vsd:P]", u"D5 [GCM:5 On D.vsd:P]");
  struct Case {
    const char* what;
    const char16_t* part_without_name;  // the part number of a device without Prop.P11
    int32_t error;
    std::vector<Box> boxes;
  };
  const Case cases[] = {
      {"an unlisted part", u"NOT-LISTED", 0, {d1_d2, colons, d1_d5, d2_d5}},
      {"a listed part", u"CTL-B", host::host_error::kNoSuchCell, {d1_d2}},
  };
  for (const Case& c : cases) {
    test_.boxes->clear();
    TestDrawing b(u"D.vsd");
    b.page(u"P");
    Device(b, u"A", u"D1", u"CTL-A", u"5");
    Device(b, u"B", u"D2", u"CTL-A", u"5");
    b.shape(u"C").prop(u"P99", 1).prop(u"P12", c.part_without_name).prop(u"P1A", u"5");
    Device(b, u"D", u"D3", u"COLON-1", u"Y:Z");
    Device(b, u"E", u"D4", u"COLON-2", u"Z");
    Device(b, u"F", u"D5", u"", u"5");  // the row without a part number: GCM
    const auto doc = b.build(GetParam());
    EXPECT_EQ(ErrorNumberOf([&] { pw2_.CheckForDuplicateAddresses(doc, u""); }), c.error) << c.what;
    EXPECT_EQ(test_.boxes->boxes(), c.boxes) << c.what;
  }
}

// The table is read before the drawing is looked at: its failure is the one that reaches the
// caller, and no message is shown, whatever the drawing holds.
TEST_P(DuplicateAddressesTest, APartTableThatCannotBeReadFailsBeforeTheDrawing) {
  testing::BuildDatabase(dir_.path() / "binary.mdb",
                         "CREATE TABLE Pz_PartsEng_PartItemCodes(PartNumber BLOB,"
                         " EngineeringPartType TEXT);"
                         "INSERT INTO Pz_PartsEng_PartItemCodes VALUES ('CTL-A', 'GCM'),"
                         " (x'0102', 'GCM');");
  testing::BuildDatabase(dir_.path() / "columnless.mdb",
                         "CREATE TABLE Pz_PartsEng_PartItemCodes(PartNumber TEXT);");
  TestDrawing b(u"D.vsd");
  b.page(u"P");
  Device(b, u"A", u"D1", u"CTL-A", u"5");
  Device(b, u"B", u"D2", u"CTL-A", u"5");
  b.shape(u"C").prop(u"P99", 1).prop(u"P1A", u"5");  // no part number cell
  const auto doc = b.build(GetParam());
  pw2_.PzPartDatabasePath = dir_.file("binary.mdb");
  EXPECT_EQ(ErrorNumberOf([&] { pw2_.CheckForDuplicateAddresses(doc, u""); }), err::kTypeMismatch);
  EXPECT_TRUE(test_.boxes->boxes().empty());
  // Without rows no field is asked for, so a missing one goes unnoticed.
  pw2_.PzPartDatabasePath = dir_.file("columnless.mdb");
  EXPECT_EQ(ErrorNumberOf([&] { pw2_.CheckForDuplicateAddresses(doc, u""); }),
            host::host_error::kNoSuchCell);
  EXPECT_TRUE(test_.boxes->boxes().empty());
}

TEST_P(DuplicateAddressesTest, ExampleCatalogueThroughTheComponentRuntime) {
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", test_.platform);
  EXPECT_EQ(pw2->IdOfName(u"checkforduplicateaddresses"), 0x60030023);
  Let(pw2, u"PzPartDatabasePath", FromUtf8((testing::ExamplesDir() / "parts.mdb").string()));

  TestDrawing b(u"Site.vsd");
  b.page(u"Mech");
  Device(b, u"G1", u"AHU-1 GCM", u"AVL-GCM2000", u"10:1");
  Device(b, u"L1", u"AHU-1 LNC", u"AVL-LNC1628", u"10:1");  // LNC: its own address space
  b.page(u"Elec");
  Device(b, u"G2", u"AHU-2 GCM", u"AVL-GCM2400-E", u"10:1");
  Variant doc = ObjectRef(b.build(GetParam())), props = u"partprops.mdb";
  Call(pw2, u"CheckForDuplicateAddresses", {&doc, &props});
  EXPECT_EQ(test_.boxes->boxes(),
            std::vector<Box>{Conflict(u"AHU-1 GCM [GCM:10:1 On Site.vsd:Mech]",
                                      u"AHU-2 GCM [GCM:10:1 On Site.vsd:Elec]")});
  EXPECT_EQ(props, Variant(u"partprops.mdb"));

  // By dispatch identifier, with a document that is Nothing: the failure reaches the caller.
  Variant nothing = ObjectRef();
  Variant* args[] = {&nothing, &props};
  EXPECT_EQ(ErrorNumberOf([&] { pw2->Invoke(0x60030023, kMethod, args); }), err::kObjectNotSet);
}

INSTANTIATE_TEST_SUITE_P(, DuplicateAddressesTest, testing::kBothAdapters,
                         testing::AdapterTestName);

}  // namespace
}  // namespace kvpw
