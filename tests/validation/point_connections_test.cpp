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
using testing::TestDrawing;

constexpr int32_t kInformation = 64;
const Constant kGreen = ConstantOf(u"=\"3\"");
const Constant kUnmarked = ConstantOf(u"=\"0\"");

Box Missing(const Text& name) {
  return {u"Shape " + name +
              u" does not have a valid point connection.\n\rThe shape has been "
              u"turned green.",
          kInformation, u"Error Found"};
}
Box Finished(int errors) {
  return {
      u"Missing Point Connections finished.  There were " + IntegerText(errors) + u" errors found.",
      kInformation, u"Completed"};
}
Box Failure(int32_t number, const Text& description) {
  return {description, kInformation, IntegerText(number)};
}
Text Row(const Text& device) {
  return u"V1`" + device + u"`CTRL-1`1`,,`,,`,,`,,`1:1";
}

// A drawing whose document sheet lists the devices C1 and Ctl-2, as the last update saved them.
TestDrawing Listed(std::initializer_list<Text> rows = {Row(u"C1"), Row(u"Ctl-2")}) {
  TestDrawing b(u"Plant.vsd");
  b.document_sheet().prop(u"DeviceTableRowCount", static_cast<int32_t>(rows.size()));
  int n = 0;
  for (const Text& row : rows) b.prop(u"DeviceTableRow" + IntegerText(++n), row).hidden();
  return b;
}

TestDrawing& Point(TestDrawing& b, const Text& shape, const Text& controller) {
  return b.shape(shape)
      .prop(u"P11", u"N-" + shape)
      .prop(u"P15", controller)
      .prop(u"P16", u"")
      .prop(u"P17", u"UI1")
      .user(u"U63", u"0");
}

Constant Mark(host::Document& doc, const Text& page, const Text& shape) {
  return ConstantOf(doc.pages().item(page).shapes().item(shape).cell(u"User.U63"));
}

class PointConnectionsTest : public ::testing::TestWithParam<Adapter> {
 protected:
  void Check(int16_t upper, int16_t lower, const std::shared_ptr<host::Document>& doc) {
    test_.boxes->clear();
    pw2_.CheckForInvalidPointConnections(upper, lower, doc, u"unused.mdb");
  }
  const std::vector<Box>& boxes() const { return test_.boxes->boxes(); }

  testing::TestPlatform test_ = testing::MakeTestPlatform();
  Pw2 pw2_{test_.platform};
};

TEST_P(PointConnectionsTest, ReportsPointsWhoseControllerIsNotInTheSavedList) {
  TestDrawing b = Listed();
  b.page(u"One");
  Point(b, u"P1", u"C1").user(u"U63", u"4");  // valid: an earlier mark stays
  Point(b, u"P2", u"ctl-2");                  // the list is searched without regard to case
  Point(b, u"P3", u"None");                   // wired to nothing on purpose
  Point(b, u"P4", u"none");                   // only "None" itself means that
  Point(b, u"P5", u"");
  b.shape(u"C9").prop(u"P99", 1).prop(u"P11", u"C9");  // drawn after the last update
  Point(b, u"P6", u"C9");
  b.shape(u"Half").prop(u"P16", u"").prop(u"P15", u"Nobody");  // no P17: not a point shape
  b.page(u"Two");
  Point(b, u"P7", u"Nobody");
  const auto doc = b.build(GetParam());

  Check(2, 1, doc);
  EXPECT_EQ(boxes(), (std::vector<Box>{Missing(u"N-P4"), Missing(u"N-P5"), Missing(u"N-P6"),
                                       Missing(u"N-P7"), Finished(4)}));
  EXPECT_EQ(Mark(*doc, u"One", u"P1"), ConstantOf(u"=\"4\""));
  for (const char16_t* shape : {u"P2", u"P3"}) EXPECT_EQ(Mark(*doc, u"One", shape), kUnmarked);
  for (const char16_t* shape : {u"P4", u"P5", u"P6"}) EXPECT_EQ(Mark(*doc, u"One", shape), kGreen);
  EXPECT_EQ(Mark(*doc, u"Two", u"P7"), kGreen);

  // Only the pages of the range are looked at; the lower bound above the upper looks at none.
  Check(1, 1, doc);
  EXPECT_EQ(boxes().size(), 4u);
  EXPECT_EQ(boxes().back(), Finished(3));
  Check(1, 2, doc);
  EXPECT_EQ(boxes(), std::vector<Box>{Finished(0)});
}

// Only the in-memory drawing hands a formula back exactly as it was written.
TEST(PointConnectionsOnMemory, TheMarkIsWrittenAsAQuotedText) {
  testing::TestPlatform test = testing::MakeTestPlatform();
  TestDrawing b = Listed();
  Point(b, u"P1", u"Gone");
  const auto doc = b.build(Adapter::kMemory);
  Pw2(test.platform).CheckForInvalidPointConnections(1, 1, doc, u"unused.mdb");
  EXPECT_EQ(doc->pages().item(1).shapes().item(u"P1").cell(u"User.U63").formula(), u"=\"3\"");
}

TEST_P(PointConnectionsTest, TheListStopsAtARowOfANewerVersion) {
  TestDrawing b = Listed({Row(u"C1"), u"V2`Ctl-2`X`1`,,`,,`,,`,,`1", Row(u"Ctl-3")});
  Point(b, u"P1", u"C1");
  Point(b, u"P2", u"Ctl-2");
  Point(b, u"P3", u"Ctl-3");
  const auto doc = b.build(GetParam());
  Check(1, 1, doc);
  ASSERT_EQ(boxes().size(), 4u);
  EXPECT_EQ(boxes()[0].title, u"Plotwright 2005");
  EXPECT_EQ(std::vector<Box>(boxes().begin() + 1, boxes().end()),
            (std::vector<Box>{Missing(u"N-P2"), Missing(u"N-P3"), Finished(2)}));
}

TEST_P(PointConnectionsTest, AFailureEndsTheCheckWithTheErrorBox) {
  const auto drawing = [](const std::function<void(TestDrawing&)>& extra,
                          std::initializer_list<Text> rows = {Row(u"C1")}) {
    TestDrawing b = Listed(rows);
    Point(b, u"First", u"Gone");  // reported and marked before anything fails
    extra(b);
    return b.build(GetParam());
  };
  const struct {
    const char* what;
    std::shared_ptr<host::Document> doc;
    int16_t upper;
    int32_t error;
    size_t reported;  // messages before the failure
  } cases[] = {
      {"page beyond the document", drawing([](TestDrawing&) {}), 2, host::host_error::kBadIndex, 1},
      {"point shape without P15",
       drawing([](TestDrawing& b) { b.shape(u"X").prop(u"P16", 1).prop(u"P17", 1); }), 1,
       host::host_error::kNoSuchCell, 1},
      {"reported shape without P11", drawing([](TestDrawing& b) {
         b.shape(u"X").prop(u"P15", u"Gone").prop(u"P16", 1).prop(u"P17", 1);
       }),
       1, host::host_error::kNoSuchCell, 1},
      {"reported shape without a mark cell", drawing([](TestDrawing& b) {
         b.shape(u"X").prop(u"P11", u"NM").prop(u"P15", u"Gone").prop(u"P16", 1).prop(u"P17", 1);
       }),
       1, host::host_error::kNoSuchCell, 2},
      {"device row with too few fields", drawing([](TestDrawing&) {}, {u"V1`C1`P`1"}), 1,
       err::kSubscript, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Check(c.upper, 1, c.doc);
    ASSERT_EQ(boxes().size(), c.reported + 1);
    for (size_t i = 0; i < c.reported; ++i) EXPECT_EQ(boxes()[i].title, u"Error Found");
    const Box& failure = boxes().back();
    EXPECT_EQ(failure.title, IntegerText(c.error));
    EXPECT_EQ(failure.style, kInformation);
    EXPECT_FALSE(failure.text.empty());
    EXPECT_EQ(Mark(*c.doc, u"Page-1", u"First"), c.reported ? kGreen : kUnmarked);
  }

  Check(1, 1, nullptr);
  EXPECT_EQ(boxes(),
            std::vector<Box>{Failure(err::kObjectNotSet, Error(err::kObjectNotSet).description())});
}

TEST_P(PointConnectionsTest, ThroughTheComponentRuntime) {
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", test_.platform);
  EXPECT_EQ(pw2->IdOfName(u"CheckForInvalidPointConnections"), 0x60030027);
  TestDrawing b = Listed();
  Point(b, u"P1", u"C2");
  const auto doc = b.build(GetParam());
  Variant upper = u"1", lower = 1.0, document = ObjectRef(doc), file = u"parts.mdb";
  Variant* args[] = {&upper, &lower, &document, &file};
  test_.boxes->clear();
  pw2->Invoke(0x60030027, kMethod, args);
  EXPECT_EQ(boxes(), (std::vector<Box>{Missing(u"N-P1"), Finished(1)}));
  EXPECT_EQ(upper, Variant(u"1"));
  EXPECT_EQ(lower, Variant(1.0));

  // A page bound beyond 16 bits fails in the call itself, before the check runs.
  Variant big = 40000;
  test_.boxes->clear();
  EXPECT_EQ(testing::ErrorNumberOf([&] {
              Call(pw2, u"CheckForInvalidPointConnections", {&big, &lower, &document, &file});
            }),
            err::kOverflow);
  EXPECT_TRUE(boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(, PointConnectionsTest, testing::kBothAdapters, testing::AdapterTestName);

}  // namespace
}  // namespace kvpw
