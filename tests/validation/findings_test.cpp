// The records the checks report beside their boxes: one per box, naming the shapes the box
// names, on either drawing adapter.
#include "validation/findings.h"

#include <gtest/gtest.h>

#include <memory>

#include "frame/pw2.h"
#include "testing/drawings.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using testing::Adapter;
using testing::TestDrawing;
using validation::Check;
using validation::Finding;
using validation::ShapeRef;

class FindingsTest : public ::testing::TestWithParam<Adapter> {
 protected:
  FindingsTest() {
    testing::BuildDatabase(
        dir_.path() / "parts.mdb",
        "CREATE TABLE qrySoccParts(MfgPartNumber TEXT COLLATE NOCASE, SoccIOType SMALLINT);"
        "CREATE TABLE Pz_PartsEng_PartItemCodes(PartNumber TEXT COLLATE NOCASE,"
        " EngineeringItemCode TEXT COLLATE NOCASE, EngineeringPartType TEXT);"
        "INSERT INTO Pz_PartsEng_PartItemCodes VALUES ('CTL-A', 'IC-1', 'GCM');"
        "CREATE TABLE Pz_PartsEng_ItemCodePointTypes(EngineeringItemCode TEXT COLLATE NOCASE,"
        " PointName TEXT COLLATE NOCASE, IoPointTypeIndex SMALLINT);"
        "INSERT INTO Pz_PartsEng_ItemCodePointTypes VALUES ('IC-1', 'AO1', 2);");
    testing::BuildDatabase(dir_.path() / "props.mdb", "CREATE TABLE tblOptions(x INTEGER);");
    auto platform = std::make_shared<Platform>(*test_.platform);
    platform->findings = findings_;
    pw2_ = std::make_unique<Pw2>(platform);
    pw2_->Initialize(dir_.file("parts.mdb"), dir_.file("props.mdb"));
  }

  static void Controller(TestDrawing& b, const Text& shape, const Text& name, const Text& address) {
    b.shape(shape).prop(u"P99", 1).prop(u"P11", name).prop(u"P12", u"CTL-A").prop(u"P1A", address);
  }
  static void Point(TestDrawing& b, const Text& shape, const Text& name, const Text& controller,
                    const Text& point) {
    b.shape(shape)
        .prop(u"P11", name)
        .prop(u"P15", controller)
        .prop(u"P16", u"")
        .prop(u"P17", point)
        .prop(u"P12", u"")
        .user(u"IOType", 2)
        .user(u"U63", u"0");
  }

  testing::TempDir dir_;
  testing::TestPlatform test_ = testing::MakeTestPlatform();
  std::shared_ptr<validation::FindingList> findings_ = std::make_shared<validation::FindingList>();
  std::unique_ptr<Pw2> pw2_;
};

Finding Conflict(ShapeRef shape, ShapeRef other, const Text& message) {
  Finding f(Check::kDuplicateAddresses, std::move(shape));
  f.part_type = u"GCM";
  f.address = u"1:2";
  f.other = std::move(other);
  f.message = message;
  return f;
}

Finding PointFinding(Check check, ShapeRef shape, const Text& controller, const Text& message) {
  Finding f(check, std::move(shape));
  f.controller = controller;
  if (check == Check::kInvalidPointTypes) {
    f.point = u"DI7";
    f.io_type = 2;
  }
  f.message = message;
  return f;
}

TEST_P(FindingsTest, EachBoxOfTheChecksComesWithItsRecord) {
  TestDrawing b(u"Plant.vsd");
  b.page(u"Floor 1");
  Controller(b, u"C1", u"GCM-1", u"1:2");
  Point(b, u"P1", u"SAT", u"GCM-1", u"DI7");  // GCM-1's part has no DI7
  Point(b, u"P2", u"RAT", u"GCM-1", u"AO1");  // valid
  b.page(u"Floor 2");
  Controller(b, u"C1", u"GCM-2", u"1:2");
  Controller(b, u"C2", u"GCM-3", u"1:2");
  Point(b, u"P1", u"Orphan", u"GCM-9", u"AO1");  // GCM-9 is nowhere
  Point(b, u"P2", u"Spare", u"None", u"AO1");
  const auto doc = b.build(GetParam());

  pw2_->UpdateDeviceList(doc, true);
  pw2_->CheckForDuplicateAddresses(doc, u"");
  pw2_->CheckForInvalidPointTypes(2, 1, doc, dir_.file("parts.mdb"), dir_.file("props.mdb"));
  pw2_->CheckForInvalidPointConnections(2, 1, doc, u"");

  const ShapeRef gcm1{u"Floor 1", u"C1", 1, u"GCM-1"};
  const ShapeRef gcm2{u"Floor 2", u"C1", 1, u"GCM-2"};
  const ShapeRef gcm3{u"Floor 2", u"C2", 2, u"GCM-3"};
  const Text one = u"GCM-1 [GCM:1:2 On Plant.vsd:Floor 1]";
  const Text two = u"GCM-2 [GCM:1:2 On Plant.vsd:Floor 2]";
  const Text three = u"GCM-3 [GCM:1:2 On Plant.vsd:Floor 2]";
  const Text with = u"\n\rconflicts with \n\r";
  const std::vector<Finding> expected{
      Conflict(gcm2, gcm1, one + with + two),
      Conflict(gcm3, gcm1, one + with + three),
      Conflict(gcm3, gcm2, two + with + three),
      PointFinding(Check::kInvalidPointTypes, {u"Floor 1", u"P1", 2, u"SAT"}, u"GCM-1",
                   u"Shape SAT is connected to an invalid point.  The shape has been turned "
                   u"blue."),
      PointFinding(Check::kPointConnections, {u"Floor 2", u"P1", 3, u"Orphan"}, u"GCM-9",
                   u"Shape Orphan does not have a valid point connection.\n\rThe shape has been "
                   u"turned green."),
  };
  ASSERT_EQ(findings_->findings().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(findings_->findings()[i], expected[i]);
  }
  // Every record's text is the text of a box shown, in the same order.
  size_t next = 0;
  for (const auto& box : test_.boxes->boxes())
    if (next < expected.size() && box.text == expected[next].message) ++next;
  EXPECT_EQ(next, expected.size());
}

INSTANTIATE_TEST_SUITE_P(, FindingsTest, testing::kBothAdapters, testing::AdapterTestName);

}  // namespace
}  // namespace kvpw
