#include <gtest/gtest.h>

#include <functional>

#include "frame/error.h"
#include "frame/pw2.h"
#include "roster/roster.h"
#include "testing/drawings.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using host::Box;
using testing::Adapter;
using testing::Constant;
using testing::ConstantOf;
using testing::ErrorNumberOf;
using testing::TestDrawing;

constexpr int32_t kInformation = 64;
const Constant kBlue = ConstantOf(u"=\"4\"");
const Constant kUnmarked = ConstantOf(u"=\"0\"");

Box Invalid(const Text& name) {
  return {u"Shape " + name + u" is connected to an invalid point.  The shape has been turned blue.",
          kInformation, u"Error Found"};
}
Box Finished(int errors) {
  return {u"Check for invalid point types finished.  There were " + IntegerText(errors) +
              u" errors found.",
          kInformation, u"Completed"};
}
Text IoTypeQuery(const Text& part) {
  return u"SELECT SoccIOType FROM qrySoccParts WHERE MfgPartNumber = '" + part + u"'";
}
Text PointQuery(const Text& part, const Text& point, const Text& io_type) {
  return u"SELECT Pz_PartsEng_PartItemCodes.PartNumber, "
         u"Pz_PartsEng_ItemCodePointTypes.EngineeringItemCode, "
         u"Pz_PartsEng_ItemCodePointTypes.PointName, "
         u"Pz_PartsEng_ItemCodePointTypes.IoPointTypeIndex FROM Pz_PartsEng_PartItemCodes "
         u"INNER JOIN Pz_PartsEng_ItemCodePointTypes ON "
         u"Pz_PartsEng_PartItemCodes.EngineeringItemCode = "
         u"Pz_PartsEng_ItemCodePointTypes.EngineeringItemCode WHERE PartNumber = '" +
         part + u"' AND PointName = '" + point + u"' AND IoPointTypeIndex = " + io_type;
}

class InvalidPointTypesCheck : public ::testing::Test {
 protected:
  InvalidPointTypesCheck() {
    // CTRL-1 has UI1 (AI or DI) and AO1; CTRL-2 only DO1.
    testing::BuildDatabase(
        dir_.path() / "parts.mdb",
        "CREATE TABLE qrySoccParts(MfgPartNumber TEXT COLLATE NOCASE, SoccIOType SMALLINT);"
        "INSERT INTO qrySoccParts VALUES ('SNS-AI', 1), ('SNS-DO', 4), ('SW-ONLY', NULL),"
        " ('BAD-TYPE', 'abc');"
        "CREATE TABLE Pz_PartsEng_PartItemCodes(PartNumber TEXT COLLATE NOCASE,"
        " EngineeringItemCode TEXT COLLATE NOCASE, EngineeringPartType TEXT);"
        "INSERT INTO Pz_PartsEng_PartItemCodes VALUES ('CTRL-1', 'IC-1', 'GCM'),"
        " ('CTRL-2', 'IC-2', 'GCM'), ('O''B-1', 'IC-1', 'GCM');"
        "CREATE TABLE Pz_PartsEng_ItemCodePointTypes(EngineeringItemCode TEXT COLLATE NOCASE,"
        " PointName TEXT COLLATE NOCASE, IoPointTypeIndex SMALLINT);"
        "INSERT INTO Pz_PartsEng_ItemCodePointTypes VALUES ('IC-1', 'UI1', 1), ('IC-1', 'UI1', 3),"
        " ('IC-1', 'AO1', 2), ('IC-1', 'Mixed ''Air''', 1), ('IC-2', 'DO1', 4);");
    testing::BuildDatabase(dir_.path() / "props.mdb", "CREATE TABLE tblOptions(x INTEGER);");
  }

  static TestDrawing& Controller(TestDrawing& b, const Text& shape, const Text& name,
                                 const Text& part) {
    return b.shape(shape).prop(u"P99", 1).prop(u"P11", name).prop(u"P12", part);
  }
  // A point shape wired to `controller`; the caller adds its I/O type cells.
  static TestDrawing& Point(TestDrawing& b, const Text& shape, const Text& controller,
                            const Text& point) {
    return b.shape(shape)
        .prop(u"P11", u"N-" + shape)
        .prop(u"P15", controller)
        .prop(u"P16", u"")
        .prop(u"P17", point)
        .prop(u"P12", u"")
        .user(u"U63", u"0");
  }
  static Constant Mark(host::Document& doc, const Text& page, const Text& shape) {
    return ConstantOf(doc.pages().item(page).shapes().item(shape).cell(u"User.U63"));
  }
  void Check(int16_t upper, int16_t lower, const std::shared_ptr<host::Document>& doc) {
    pw2_.CheckForInvalidPointTypes(upper, lower, doc, parts(), props());
  }
  Text parts() const { return dir_.file("parts.mdb"); }
  Text props() const { return dir_.file("props.mdb"); }

  testing::TempDir dir_;
  testing::TestPlatform test_ = testing::MakeTestPlatform();
  Pw2 pw2_{test_.platform};
};

class InvalidPointTypesTest : public InvalidPointTypesCheck,
                              public ::testing::WithParamInterface<Adapter> {};

TEST_P(InvalidPointTypesTest, IoTypeFromOwnCellsThenPartAndMarksEachInvalidShapeBlue) {
  TestDrawing b(u"Plant.vsd");
  b.page(u"Page-1");
  Point(b, u"P1", u"C1", u"UI1").user(u"IOType", 1).user(u"PointType", 2);  // 1: valid
  Point(b, u"P2", u"C1", u"UI1").user(u"IOType", 2);                        // 2: invalid
  Point(b, u"P3", u"C1", u"UI1").user(u"IOType", 0).user(u"PointType", 3);  // 0 absent: 3
  Point(b, u"P4", u"C1", u"UI1").user(u"IOType", 0).user(u"PointType", 0);  // 0 stays: invalid
  Point(b, u"P5", u"C1", u"UI1").prop(u"P12", u"SNS-AI");                   // part's 1: valid
  Point(b, u"P6", u"C1", u"UI1").prop(u"P12", u"NO-SUCH");                  // 0: invalid
  Point(b, u"P7", u"C1", u"AO1").user(u"IOType", 2.5);                      // 2.5 is 2: valid
  Point(b, u"P8", u"C1", u"UI1").user(u"PointType", 3.5).prop(u"P12", u"SNS-DO");  // 4: invalid
  Point(b, u"P9", u"Nobody", u"UI1").user(u"IOType", 9);                           // no such device
  Point(b, u"P10", u"c1", u"UI1").user(u"IOType", 9);                         // names match exactly
  b.shape(u"Half").prop(u"P16", u"").prop(u"P15", u"C1").user(u"IOType", 9);  // no P17
  Controller(b, u"Ctl", u"C1", u"CTRL-1");
  const auto doc = b.build(GetParam());

  Check(1, 1, doc);

  EXPECT_EQ(test_.boxes->boxes(),
            (std::vector<Box>{Invalid(u"N-P2"), Invalid(u"N-P4"), Invalid(u"N-P6"),
                              Invalid(u"N-P8"), Finished(4)}));
  for (const char16_t* shape : {u"P1", u"P2", u"P3", u"P4", u"P5", u"P6", u"P7", u"P8", u"P9"}) {
    const bool reported = Text(shape) == u"P2" || Text(shape) == u"P4" || Text(shape) == u"P6" ||
                          Text(shape) == u"P8";
    EXPECT_EQ(Mark(*doc, u"Page-1", shape), reported ? kBlue : kUnmarked) << ToUtf8(shape);
  }
  // The part's own type is asked for only where the shape has no usable cell; every point of C1
  // is then checked in list order.
  const std::vector<Text> expected_sql = {
      IoTypeQuery(u"SNS-AI"),
      IoTypeQuery(u"NO-SUCH"),
      PointQuery(u"CTRL-1", u"UI1", u"1"),
      PointQuery(u"CTRL-1", u"UI1", u"2"),
      PointQuery(u"CTRL-1", u"UI1", u"3"),
      PointQuery(u"CTRL-1", u"UI1", u"0"),
      PointQuery(u"CTRL-1", u"UI1", u"1"),
      PointQuery(u"CTRL-1", u"UI1", u"0"),
      PointQuery(u"CTRL-1", u"AO1", u"2"),
      PointQuery(u"CTRL-1", u"UI1", u"4"),
  };
  EXPECT_EQ(*test_.sql, expected_sql);
}

// Only the in-memory drawing hands a formula back exactly as it was written.
TEST_F(InvalidPointTypesCheck, TheMarkIsWrittenAsAQuotedText) {
  TestDrawing b;
  Controller(b, u"Ctl", u"C1", u"CTRL-1");
  Point(b, u"Bad", u"C1", u"UI1").user(u"IOType", 2);
  const auto doc = b.build(Adapter::kMemory);
  Check(1, 1, doc);
  EXPECT_EQ(doc->pages().item(1).shapes().item(u"Bad").cell(u"User.U63").formula(), u"=\"4\"");
}

TEST_P(InvalidPointTypesTest, PageRangeSelectsPointsButControllersAreFoundOnEveryPage) {
  TestDrawing b(u"Plant.vsd");
  b.page(u"One");
  Point(b, u"Out", u"C1", u"DO1").user(u"IOType", 4);  // outside the range: never checked
  Controller(b, u"Ctl", u"C1", u"CTRL-1");
  b.page(u"Two");
  Point(b, u"A", u"C1", u"DO1").user(u"IOType", -4);
  Point(b, u"B", u"C2", u"DO1").user(u"IOType", 4);
  b.page(u"Three");
  Controller(b, u"Ctl", u"C2", u"CTRL-2");
  Controller(b, u"Again", u"C1", u"CTRL-2");  // a second device of the same name
  const auto doc = b.build(GetParam());

  Check(2, 2, doc);
  // A is checked against both devices named C1, in drawing order; B is valid on page three.
  EXPECT_EQ(test_.boxes->boxes(),
            (std::vector<Box>{Invalid(u"N-A"), Invalid(u"N-A"), Finished(2)}));
  EXPECT_EQ(Mark(*doc, u"Two", u"A"), kBlue);
  EXPECT_EQ(Mark(*doc, u"Two", u"B"), kUnmarked);
  EXPECT_EQ(Mark(*doc, u"One", u"Out"), kUnmarked);
  EXPECT_EQ(test_.sql->back(), PointQuery(u"CTRL-2", u"DO1", u"-4"));

  // The lower bound above the upper: no point shapes, only the closing message.
  test_.boxes->clear();
  Check(1, 3, doc);
  EXPECT_EQ(test_.boxes->boxes(), std::vector<Box>{Finished(0)});
}

TEST_P(InvalidPointTypesTest, QuotesBreakTheQueriesAndCountAsErrors) {
  TestDrawing b;
  Controller(b, u"Ctl", u"Quoted", u"O'B-1");
  Point(b, u"P1", u"Quoted", u"UI1").user(u"IOType", 1);
  Point(b, u"P2", u"Quoted", u"Mixed 'Air'").user(u"IOType", 1);
  Point(b, u"P3", u"Quoted", u"UI1").prop(u"P12", u"SNS'AI");
  const auto doc = b.build(GetParam());
  Check(1, 1, doc);
  EXPECT_EQ(test_.boxes->boxes(),
            (std::vector<Box>{Invalid(u"N-P1"), Invalid(u"N-P2"), Invalid(u"N-P3"), Finished(3)}));
  EXPECT_EQ(test_.sql->front(), IoTypeQuery(u"SNS'AI"));
  EXPECT_EQ(test_.sql->back(), PointQuery(u"O'B-1", u"UI1", u"0"));
}

TEST_P(InvalidPointTypesTest, AnUnopenableDatabaseShowsThePlainBoxThenTheCount) {
  const Text missing = dir_.file("missing.mdb");
  for (const bool parts_missing : {true, false}) {
    test_.boxes->clear();
    test_.sql->clear();
    // The drawing is never read: a document that is Nothing passes unnoticed.
    pw2_.CheckForInvalidPointTypes(1, 1, nullptr, parts_missing ? missing : parts(),
                                   parts_missing ? props() : missing);
    ASSERT_EQ(test_.boxes->boxes().size(), 2u);
    const Box& box = test_.boxes->boxes()[0];
    const Text start = u"Unable to access database: Unable to open '" + missing + u"': ";
    EXPECT_EQ(box.text.substr(0, start.size()), start) << ToUtf8(box.text);
    EXPECT_GT(box.text.size(), start.size()) << "the engine's reason follows";
    EXPECT_EQ(box.style, 0);
    EXPECT_EQ(box.title, u"KvPwForStencils");
    EXPECT_EQ(test_.boxes->boxes()[1], Finished(0));
    EXPECT_TRUE(test_.sql->empty());
  }
}

TEST_P(InvalidPointTypesTest, HostAndValueFailuresReachTheCallerWithoutTheClosingMessage) {
  const auto drawing = [](const std::function<void(TestDrawing&)>& extra) {
    TestDrawing b;
    Controller(b, u"Ctl", u"C1", u"CTRL-1");
    Point(b, u"Bad", u"C1", u"UI1").user(u"IOType", 7);
    extra(b);
    return b.build(GetParam());
  };
  const struct {
    const char* what;
    std::shared_ptr<host::Document> doc;
    int16_t upper;
    int32_t error;
    size_t boxes;  // messages shown before the failure
  } cases[] = {
      {"page beyond the document", drawing([](TestDrawing&) {}), 2, host::host_error::kBadIndex, 0},
      {"point without P15",
       drawing([](TestDrawing& b) { b.shape(u"X").prop(u"P16", 1).prop(u"P17", 1); }), 1,
       host::host_error::kNoSuchCell, 0},
      {"Null SoccIOType",
       drawing([](TestDrawing& b) { Point(b, u"Sw", u"C1", u"UI1").prop(u"P12", u"SW-ONLY"); }), 1,
       err::kInvalidUseOfNull, 0},
      {"SoccIOType not a number",
       drawing([](TestDrawing& b) { Point(b, u"Sw", u"C1", u"UI1").prop(u"P12", u"BAD-TYPE"); }), 1,
       err::kTypeMismatch, 0},
      {"I/O type beyond 16 bits",
       drawing([](TestDrawing& b) { Point(b, u"Big", u"C1", u"UI1").user(u"IOType", 40000); }), 1,
       err::kOverflow, 0},
      {"reported shape without a mark cell", drawing([](TestDrawing& b) {
         b.shape(u"NoMark")
             .prop(u"P11", u"NM")
             .prop(u"P15", u"C1")
             .prop(u"P16", 1)
             .prop(u"P17", u"UI1");
         b.user(u"IOType", 2);
       }),
       1, host::host_error::kNoSuchCell, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test_.boxes->clear();
    EXPECT_EQ(ErrorNumberOf([&] { Check(c.upper, 1, c.doc); }), c.error);
    EXPECT_EQ(test_.boxes->boxes().size(), c.boxes);
    for (const Box& box : test_.boxes->boxes()) EXPECT_EQ(box.title, u"Error Found");
    // Marks set before the failure stay.
    EXPECT_EQ(Mark(*c.doc, u"Page-1", u"Bad"), c.boxes ? kBlue : kUnmarked);
  }
}

TEST_P(InvalidPointTypesTest, ExampleCatalogueThroughTheComponentRuntime) {
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", test_.platform);
  EXPECT_EQ(pw2->IdOfName(u"CHECKFORINVALIDPOINTTYPES"), 0x60030026);
  TestDrawing b(u"Vav.vsd");
  b.page(u"Zone");
  Controller(b, u"Box", u"VAV-1", u"AVL-VAV110");
  Point(b, u"T", u"VAV-1", u"Space Temp").user(u"IOType", 1);
  Point(b, u"D", u"VAV-1", u"Damper").user(u"IOType", 4);  // an analog output, not a DO
  Point(b, u"F", u"VAV-1", u"Fan").user(u"IOType", 4);
  const auto doc = b.build(GetParam());

  Variant upper = int16_t{1}, lower = u"1", document = ObjectRef(doc);
  Variant parts = FromUtf8((testing::ExamplesDir() / "parts.mdb").string());
  Variant props = FromUtf8((testing::ExamplesDir() / "partprops.mdb").string());
  Variant* args[] = {&upper, &lower, &document, &parts, &props};
  pw2->Invoke(0x60030026, kMethod, args);
  EXPECT_EQ(test_.boxes->boxes(), (std::vector<Box>{Invalid(u"N-D"), Finished(1)}));
  EXPECT_EQ(Mark(*doc, u"Zone", u"D"), kBlue);
  EXPECT_EQ(lower, Variant(u"1")) << "arguments are not changed";
}

INSTANTIATE_TEST_SUITE_P(, InvalidPointTypesTest, testing::kBothAdapters, testing::AdapterTestName);

}  // namespace
}  // namespace kvpw
